// The command line of tessaro: its commands, options and usage texts.
//
//   tessaro [--service URL] [--verbose] scan [--json] [--no-service] FILE_OR_FOLDER...
//   tessaro [--service URL] [--verbose] install [--json] DOCUMENT_OR_PACKAGE...
//   tessaro [--service URL] [--verbose] update --check [--json]
//   tessaro help [COMMAND] | tessaro --help | tessaro --version
//
// Options may stand before or after the command; -h and --help after any command print that
// command's usage; "--" ends the options, so that what follows is an operand even when it begins
// with "-".
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tessaro::cli {

enum class Command { kNone, kScan, kInstall, kUpdate, kHelp, kVersion };

struct CommandLine {
  Command command = Command::kNone;
  std::string serviceAddress;  // --service, as given; empty when not given
  bool json = false;           // --json
  bool offline = false;        // scan --no-service
  bool check = false;          // update --check
  bool verbose = false;        // --verbose
  bool help = false;           // -h, --help (with or without a command)
  std::vector<std::string> operands;
  // When the line cannot be used: what is wrong with it (a client text), shown with the usage of
  // `command`.
  std::string error;
};

// Parses the arguments after the program's name.
CommandLine ParseCommandLine(const std::vector<std::string>& args);

// The usage of `command` (kNone: of every command), in the user's language, UTF-8, ending with a
// line break.
std::string UsageText(Command command);

}  // namespace tessaro::cli
