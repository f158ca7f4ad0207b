// tessaro: the client's workflows on the command line (see command_line.h for the commands).
//
// The engine is loaded from the program's own folder; the log is kept in the per-user state
// folder. Exit codes: 0 ok, 1 some fonts cannot be had, 2 bad input or the service cannot be
// reached.

#include <clocale>
#include <cstdio>
#include <string>
#include <vector>

#include "client/cli/command_line.h"
#include "client/cli/document_commands.h"
#include "client/cli/messages.h"
#include "client/workflow/session.h"

namespace {

using namespace tessaro::cli;

// The usage of `command` on `stream`.
void PrintUsage(std::FILE* stream, Command command) {
  std::fputs(ForTerminal(UsageText(command)).c_str(), stream);
  std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_CTYPE, "");
  const CommandLine line = ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc));
  if (!line.error.empty()) {
    ReportError(line.error, line.json);
    PrintUsage(stderr, line.command == Command::kHelp ? Command::kNone : line.command);
    return kExitBadInput;
  }
  if (line.help || line.command == Command::kHelp) {
    Command topic = line.command;
    if (line.command == Command::kHelp) {
      topic = Command::kNone;
      if (!line.operands.empty()) topic = ParseCommandLine({line.operands.front()}).command;
    }
    PrintUsage(stdout, topic == Command::kVersion ? Command::kNone : topic);
    return kExitOk;
  }
  if (line.command == Command::kVersion) {
    std::printf("tessaro %s\n", tessaro::kClientVersion);
    return kExitOk;
  }

  RunOptions options;
  options.json = line.json;
  options.verbose = line.verbose;
  options.offline = line.offline;
  options.host = tessaro::ConfiguredServiceHost();
  if (!line.serviceAddress.empty()) {
    std::optional<std::string> host = ServiceHostOf(line.serviceAddress);
    if (!host) {
      ReportError(
          "字体服务的地址应为 http://主机[:端口]，而不是 '" + ToUtf8(line.serviceAddress) + "'",
          line.json);
      return kExitBadInput;
    }
    options.host = *host;
  }
  switch (line.command) {
    case Command::kScan:
      return RunScan(line.operands, options);
    case Command::kInstall:
      return RunInstall(line.operands, options);
    case Command::kUpdate:
      return RunUpdateCheck(options);
    default:
      return kExitBadInput;
  }
}
