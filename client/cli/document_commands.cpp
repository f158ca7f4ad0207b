#include "client/cli/document_commands.h"

#include <json/json.h>

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

#include "client/cli/console_engine.h"
#include "client/cli/console_view.h"
#include "client/cli/messages.h"
#include "client/cli/work_folder.h"
#include "client/core/diagnostics.h"
#include "client/workflow/analysis.h"
#include "client/workflow/batch.h"
#include "client/workflow/document_check.h"
#include "client/workflow/self_update.h"
#include "client/workflow/service_protocol.h"
#include "platform/file_view.h"
#include "platform/text_codec.h"

namespace tessaro::cli {
namespace {

namespace fs = std::filesystem;

Json::Value Strings(const std::vector<std::string>& names) {
  Json::Value array(Json::arrayValue);
  for (const std::string& name : names) array.append(ToUtf8(name));
  return array;
}

void PrintJson(const Json::Value& value) {
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  std::cout << Json::writeString(writer, value) << "\n";
}

// The client's state for one command: the console, the engine from the program's own folder,
// crash dumps into the current directory.
struct ConsoleClient {
  explicit ConsoleClient(const ServiceOptions& service) : session(view, service.host, work.path()) {
    SetLogFolder(work.path());
    LoadConsoleEngine(session.engine(), view, session.caption());
  }
  bool ready() { return !work.path().empty() && session.engine().complete(); }

  WorkFolder work;
  ConsoleView view;
  ClientSession session;
};

std::vector<std::string> MissingFonts(ClientSession& session, const std::string& file) {
  std::vector<char> buffer(kLackFontBufferSize, '\0');
  int length = kLackFontBufferSize;
  session.engine().CallGetLackFontNames(file.c_str(), buffer.data(), &length);
  std::vector<std::string> names;
  SplitNames(names, buffer.data(), std::min(std::max(length, 0), kLackFontBufferSize));
  return names;
}

// Says why `file` is no document the engine can read ("cannot read FILE: no such file", "FILE:
// not a ... document"; as {"file", "error"} with `json`); true when it is one.
bool Readable(const std::string& file, bool json) {
  const DocumentProblem problem = CheckDocument(file).problem;
  if (problem == DocumentProblem::kNone) return true;
  const std::string reason = UnreadableReason(problem);
  const std::string text = problem == DocumentProblem::kNotADocument
                               ? ToUtf8(file) + ": 不支持的文件格式"
                               : "无法读取 " + ToUtf8(file) + (reason.empty() ? "" : ": " + reason);
  PrintError(text);
  if (json) {
    Json::Value object(Json::objectValue);
    object["file"] = ToUtf8(file);
    object["error"] = English(text);
    PrintJson(object);
  }
  return false;
}

// The analysis of one document; false when the service gave no answer for its missing fonts.
bool Analyse(ConsoleClient& client, const std::string& file, std::vector<std::string>& missing) {
  client.session.m_filePath = file;
  AnalysisResult result = OnSelectFile(client.session);
  missing = result.names;
  return result.answered || missing.empty();
}

}  // namespace

std::optional<std::string> ServiceHostOf(const std::string& address) {
  const std::string scheme = "http://";
  if (address.compare(0, scheme.size(), scheme) != 0) return std::nullopt;
  std::string host = address.substr(scheme.size());
  while (!host.empty() && host.back() == '/') host.pop_back();
  if (host.empty() || host.find_first_of("/?#@ ") != std::string::npos) return std::nullopt;
  return host;
}

int RunScan(const std::vector<std::string>& files, bool json, const ServiceOptions& service) {
  ConsoleClient client(service);
  if (!client.ready()) return kExitBadInput;
  int status = kExitOk;
  for (const std::string& file : files) {
    if (!Readable(file, json)) {
      status = kExitBadInput;
      continue;
    }
    std::vector<std::string> missing;
    bool answered = true;
    if (service.offline) {
      missing = MissingFonts(client.session, file);
    } else {
      answered = Analyse(client, file, missing);
      if (!answered) status = kExitBadInput;
    }
    const auto& table = client.session.m_downloadPaths;
    const bool tableMatches = answered && table.size() == missing.size();
    if (json) {
      Json::Value object(Json::objectValue);
      object["file"] = ToUtf8(file);
      object["missing"] = Strings(missing);
      if (!service.offline) {
        object["offered"] = Json::Value(Json::objectValue);
        for (std::size_t i = 0; tableMatches && i < missing.size(); ++i) {
          if (!table[i].empty()) object["offered"][ToUtf8(missing[i])] = Strings(table[i]);
        }
      }
      PrintJson(object);
    } else {
      if (files.size() > 1) std::cout << file << ":\n";
      for (std::size_t i = 0; i < missing.size(); ++i) {
        std::cout << missing[i];
        if (!service.offline && tableMatches) {
          std::cout << "\t" << Localize(table[i].empty() ? "不可下载" : "可以下载");
        }
        std::cout << "\n";
      }
    }
    if (status == kExitOk && !service.offline && tableMatches) {
      for (const auto& entry : table) {
        if (entry.empty()) status = kExitNotObtainable;
      }
    }
  }
  std::cout.flush();
  return status;
}

int RunInstallDocument(const std::string& file, bool json, const ServiceOptions& service) {
  if (!Readable(file, json)) return kExitBadInput;
  ConsoleClient client(service);
  if (!client.ready()) return kExitBadInput;
  std::vector<std::string> missing;
  if (!Analyse(client, file, missing)) return kExitBadInput;

  std::vector<std::string> unavailable;
  bool anyOffered = false;
  for (std::size_t i = 0; i < missing.size(); ++i) {
    if (client.session.m_downloadPaths[i].empty()) unavailable.push_back(missing[i]);
    anyOffered = anyOffered || !client.session.m_downloadPaths[i].empty();
  }
  std::vector<std::string> installed;
  std::vector<std::string> failed;
  std::vector<std::string> problems;  // of the failed fonts, in their order
  if (anyOffered) {
    BatchOutcome outcome = InstallAllThread(client.session);
    for (const RowOutcome& row : outcome.rows) {
      if (!row.offered) continue;
      (row.installed ? installed : failed).push_back(row.name);
      if (!row.installed) problems.push_back(row.problem);
    }
  }
  if (json) {
    Json::Value object(Json::objectValue);
    object["file"] = ToUtf8(file);
    object["installed"] = Strings(installed);
    object["failed"] = Strings(failed);
    object["unavailable"] = Strings(unavailable);
    object["problems"] = Json::Value(Json::objectValue);
    for (std::size_t i = 0; i < failed.size(); ++i) {
      object["problems"][ToUtf8(failed[i])] = English(problems[i]);
    }
    PrintJson(object);
  } else {
    const bool chinese = ChineseLocale();
    for (const std::string& name : installed)
      std::cout << (chinese ? "已安装\t" : "installed\t") << name << "\n";
    for (std::size_t i = 0; i < failed.size(); ++i) {
      std::cout << (chinese ? "安装失败\t" : "failed\t") << failed[i] << "\t"
                << ForTerminal(Localize(problems[i])) << "\n";
    }
    for (const std::string& name : unavailable)
      std::cout << (chinese ? "不可下载\t" : "not offered\t") << name << "\n";
  }
  std::cout.flush();
  return failed.empty() && unavailable.empty() ? kExitOk : kExitNotObtainable;
}

int RunUpdateCheck(const ServiceOptions& service) {
  ConsoleView view;
  WorkFolder work;
  SetLogFolder(work.path());
  ClientSession session(view, service.host, work.path());
  const std::string address = UpdateCheckAddress(session);
  ServiceAnswer answer = RequestServiceText(address);
  if (answer.failure != ServiceFailure::kNone) {
    ReportServiceFailure(answer, address, session);
    return kExitBadInput;
  }
  if (answer.text.empty()) return kExitOk;
  std::string archive = UpdateArchiveName(answer.text);
  if (archive.empty()) {
    std::fprintf(stderr, "tessaro: the service's update answer is no archive name\n");
    WriteLog("OnBnClickedButton3 end: unusable update name : " + answer.text);
    return kExitBadInput;
  }
  std::cout << archive << "\n";
  return kExitOk;
}

}  // namespace tessaro::cli
