// tessaro: the client's workflows on the command line.
//
//   tessaro [--service URL] scan [--json] [--no-service] FILE...
//   tessaro [--service URL] install [--json] DOCUMENT
//   tessaro install ARCHIVE_OR_URL...
//   tessaro [--service URL] update --check
//
// The engine is loaded from the program's own folder. Exit codes: 0 ok, 1 some fonts cannot be
// had, 2 bad input or the service cannot be reached.

#include <algorithm>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "client/cli/document_commands.h"
#include "client/cli/install_command.h"
#include "client/workflow/session.h"

namespace {

using namespace tessaro::cli;

void PrintUsage(std::FILE* out) {
  std::fputs(
      "usage: tessaro [--service URL] scan [--json] [--no-service] FILE...\n"
      "  Lists the fonts each document uses that are not installed, one per line, with whether\n"
      "  the font service offers them. --json: one object per document, {\"file\": ...,\n"
      "  \"missing\": [...], \"offered\": {name: [addresses]}}. --no-service: names only.\n"
      "usage: tessaro [--service URL] install [--json] DOCUMENT\n"
      "  Downloads and installs every font of the document (.psd .psb .ai .pdf .cdr) that the\n"
      "  service offers, and says what was installed. --json: {\"installed\": [...],\n"
      "  \"failed\": [...], \"unavailable\": [...]}.\n"
      "usage: tessaro install ARCHIVE_OR_URL...\n"
      "  Downloads (http and https addresses), unpacks and installs font packages for this\n"
      "  user, and lists the fonts installed.\n"
      "usage: tessaro [--service URL] update --check\n"
      "  Prints the name of the newer client's archive, or nothing when this one is current.\n"
      "--service URL: the font service, http://HOST[:PORT] (default: the host in the environment\n"
      "  variable TESSARO_SERVICE_HOST, else the built-in service).\n",
      out);
}

int Usage() {
  PrintUsage(stderr);
  return kExitBadInput;
}

// Documents are told from packages by their extension: a ZIP can be either.
bool IsDocument(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const char* known : {".psd", ".psb", ".ai", ".pdf", ".cdr"}) {
    if (extension == known) return path.rfind("http://", 0) != 0 && path.rfind("https://", 0) != 0;
  }
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  ServiceOptions service;
  service.host = tessaro::ConfiguredServiceHost();
  std::size_t at = 0;
  while (at < args.size() && args[at].rfind("--", 0) == 0) {
    if (args[at] == "--help") {
      PrintUsage(stdout);
      return kExitOk;
    }
    if (args[at] != "--service" || at + 1 == args.size()) return Usage();
    std::optional<std::string> host = ServiceHostOf(args[at + 1]);
    if (!host) {
      std::fprintf(stderr, "tessaro: the service must be an address http://HOST[:PORT], not '%s'\n",
                   args[at + 1].c_str());
      return kExitBadInput;
    }
    service.host = *host;
    at += 2;
  }
  if (at == args.size()) return Usage();
  const std::string command = args[at];
  std::vector<std::string> rest(args.begin() + static_cast<long>(at) + 1, args.end());
  bool json = false;
  std::vector<std::string> operands;
  for (const std::string& arg : rest) {
    if (arg == "--json") {
      json = true;
    } else if (arg == "--no-service" && command == "scan") {
      service.offline = true;
    } else if (arg == "--check" && command == "update") {
      continue;
    } else if (arg.size() > 1 && arg[0] == '-') {
      std::fprintf(stderr, "tessaro: unknown option '%s'\n", arg.c_str());
      return Usage();
    } else {
      operands.push_back(arg);
    }
  }

  if (command == "scan") {
    if (operands.empty()) return Usage();
    return RunScan(operands, json, service);
  }
  if (command == "install") {
    if (operands.size() == 1 && IsDocument(operands[0])) {
      return RunInstallDocument(operands[0], json, service);
    }
    if (json || operands.empty()) return Usage();
    return RunInstall(operands);
  }
  if (command == "update") {
    if (!operands.empty() || std::find(rest.begin(), rest.end(), "--check") == rest.end()) {
      return Usage();
    }
    return RunUpdateCheck(service);
  }
  std::fprintf(stderr, "tessaro: unknown command '%s'\n", command.c_str());
  return Usage();
}
