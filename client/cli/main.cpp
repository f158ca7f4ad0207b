// tessaro: the command-line front end.
//
//   tessaro scan [--json] FILE...   the fonts each document uses that this computer lacks
//   tessaro install ARCHIVE_OR_URL...  download, unpack and install font packages
//
// The engine is loaded from the program's own folder, as the desktop client loads it.

#include <clocale>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include <json/json.h>

#include "client/cli/install_command.h"
#include "common/program_folder.h"
#include "platform/dynamic_library.h"
#include "platform/file_view.h"
#include "platform/text_codec.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitBadInput = 2;

// The client's buffer for the engine's list of missing names.
constexpr int kNameBufferSize = 2038;

using GetLackFontNamesFn = void (*)(const char*, char*, int*);

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: tessaro scan [--json] FILE...\n"
      "  Lists the fonts each document uses that are not installed, one per line.\n"
      "  --json  one object per document: {\"file\": ..., \"missing\": [...]}\n"
      "usage: tessaro install ARCHIVE_OR_URL...\n"
      "  Downloads (http and https addresses), unpacks and installs font packages for this\n"
      "  user, and lists the fonts installed.\n",
      out);
}

std::string ToUtf8(const std::string& narrow) {
  return platform::ConvertCodePage(narrow, platform::kAnsiCodePage, platform::kUtf8CodePage)
      .value_or(narrow);
}

std::vector<std::string> SplitNames(const char* list, int length) {
  std::vector<std::string> names;
  std::string current;
  for (int i = 0; i < length; ++i) {
    if (list[i] == ',') {
      names.push_back(current);
      current.clear();
    } else {
      current.push_back(list[i]);
    }
  }
  return names;
}

int Scan(const std::vector<std::string>& files, bool json) {
  platform::DynamicLibrary engine;
  std::string enginePath = tessaro::GetProgramFolder() + "libCorvid.so";
  std::string error;
  if (!engine.Load(enginePath, nullptr, &error)) {
    std::fprintf(stderr, "tessaro: cannot load the engine %s: %s\n", enginePath.c_str(),
                 error.c_str());
    return kExitBadInput;
  }
  auto getLackFontNames =
      reinterpret_cast<GetLackFontNamesFn>(engine.Symbol("GetLackFontNames"));
  if (getLackFontNames == nullptr) {
    std::fprintf(stderr, "tessaro: the engine %s lacks GetLackFontNames\n", enginePath.c_str());
    return kExitBadInput;
  }

  int status = kExitOk;
  Json::StreamWriterBuilder writer;
  writer["indentation"] = "";
  writer["emitUTF8"] = true;
  for (const std::string& file : files) {
    if (!platform::FileView::Open(file)) {
      std::fprintf(stderr, "tessaro: cannot read %s\n", file.c_str());
      status = kExitBadInput;
      continue;
    }
    std::vector<char> buffer(kNameBufferSize, '\0');
    int length = kNameBufferSize;
    getLackFontNames(file.c_str(), buffer.data(), &length);
    std::vector<std::string> missing = SplitNames(buffer.data(), length);
    if (json) {
      Json::Value object(Json::objectValue);
      object["file"] = ToUtf8(file);
      object["missing"] = Json::Value(Json::arrayValue);
      for (const std::string& name : missing) object["missing"].append(ToUtf8(name));
      std::cout << Json::writeString(writer, object) << "\n";
    } else {
      if (files.size() > 1) std::cout << file << ":\n";
      for (const std::string& name : missing) std::cout << name << "\n";
    }
  }
  std::cout.flush();
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    PrintUsage(args.empty() ? stderr : stdout);
    return args.empty() ? kExitBadInput : kExitOk;
  }
  if (args[0] == "install") {
    return tessaro::cli::RunInstall(std::vector<std::string>(args.begin() + 1, args.end()));
  }
  if (args[0] != "scan") {
    std::fprintf(stderr, "tessaro: unknown command '%s'\n", args[0].c_str());
    PrintUsage(stderr);
    return kExitBadInput;
  }
  bool json = false;
  std::vector<std::string> files;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--json") {
      json = true;
    } else if (args[i].size() > 1 && args[i][0] == '-' ) {
      std::fprintf(stderr, "tessaro: unknown option '%s'\n", args[i].c_str());
      return kExitBadInput;
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.empty()) {
    PrintUsage(stderr);
    return kExitBadInput;
  }
  return Scan(files, json);
}
