#include "client/cli/console_client.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "client/cli/messages.h"
#include "client/core/diagnostics.h"
#include "common/program_folder.h"
#include "platform/client_folders.h"
#include "platform/filesystem.h"

namespace tessaro::cli {
namespace {

// The per-user state folder, made when it is not there; `fallback` when it cannot be.
std::string LogFolderOr(const std::string& fallback) {
  const std::string folder = platform::ClientWorkFolder();
  std::error_code error;
  if (!folder.empty() && (std::filesystem::create_directories(folder, error) || !error)) {
    return folder;
  }
  return fallback;
}

}  // namespace

ConsoleClient::ConsoleClient(const RunOptions& options, bool withEngine)
    : options_(options), session_(view_, options.host, work_.path()) {
  SetLogFolder(LogFolderOr(work_.path()));
  if (options_.verbose) SetLogEcho([this](const std::string& line) { view_.Note(line); });
  if (!withEngine) return;
  session_.engine().LoadEngine(
      platform::EngineFolder(),
      [this](const std::string& text) {
        view_.ShowMessage(text, session_.caption(), MainView::Buttons::kOk);
      },
      GetCurrentDir());
}

ConsoleClient::~ConsoleClient() {
  if (options_.verbose) SetLogEcho({});
}

bool ConsoleClient::Ready() {
  if (work_.path().empty()) {
    ReportError("无法创建工作文件夹", options_.json);
    return false;
  }
  if (!session_.engine().complete()) {
    // The message was shown when the engine was loaded.
    if (options_.json) PrintJsonError(session_.engine().LoadFailure());
    PointAtLog();
    return false;
  }
  return true;
}

void ConsoleClient::PointAtLog() {
  PrintError("日志在 " + ToUtf8(platform::JoinPath(LogFolder(), "Corvid.log")));
}

void PrintJson(const Json::Value& value) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  std::cout << Json::writeString(writer, value) << "\n";
  std::cout.flush();
}

Json::Value JsonStrings(const std::vector<std::string>& names) {
  Json::Value array(Json::arrayValue);
  for (const std::string& name : names) array.append(ToUtf8(name));
  return array;
}

void PrintJsonError(const std::string& text) {
  Json::Value object(Json::objectValue);
  object["error"] = English(text);
  PrintJson(object);
}

void ReportError(const std::string& text, bool json) {
  if (json) PrintJsonError(text);
  PrintError(text);
}

}  // namespace tessaro::cli
