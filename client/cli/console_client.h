// The client's state for one tessaro command, and what every command writes the same way.
#pragma once

#include <json/json.h>

#include <string>
#include <vector>

#include "client/cli/console_view.h"
#include "client/cli/exit_codes.h"
#include "client/cli/work_folder.h"
#include "client/workflow/session.h"

namespace tessaro::cli {

struct RunOptions {
  std::string host;      // host[:port] of the font service
  bool offline = false;  // scan --no-service: list the missing fonts without asking the service
  bool json = false;     // --json: results (and errors) as JSON objects on standard output
  bool verbose = false;  // --verbose: the log lines on standard error as they are written
};

// The console, the engine loaded from the program's own folder (a failure is shown and logged),
// the log in the per-user state folder (platform::ClientWorkFolder(); the work folder when that
// cannot be made), crash dumps of faults inside the engine in the current directory, and a
// temporary work folder for the downloads, removed at the end.
class ConsoleClient {
 public:
  // `withEngine` false: a command that needs no engine (the update check) does not load it.
  explicit ConsoleClient(const RunOptions& options, bool withEngine = true);
  ~ConsoleClient();
  ConsoleClient(const ConsoleClient&) = delete;
  ConsoleClient& operator=(const ConsoleClient&) = delete;

  // The work folder exists and the engine is loaded with all its exports. When not, says why
  // (with --json also as {"error"}) and returns false.
  bool Ready();
  // Says where the log is, for a run that failed.
  void PointAtLog();

  const RunOptions& options() const { return options_; }
  WorkFolder& work() { return work_; }
  ConsoleView& view() { return view_; }
  ClientSession& session() { return session_; }

 private:
  RunOptions options_;
  WorkFolder work_;
  ConsoleView view_;
  ClientSession session_;
};

// Writes `value` as one line of JSON (UTF-8) on standard output.
void PrintJson(const Json::Value& value);

// Narrow names as a JSON array of UTF-8 texts.
Json::Value JsonStrings(const std::vector<std::string>& names);

// Writes {"error": <the English form of `text`>} on standard output.
void PrintJsonError(const std::string& text);

// Says `text` (a client text, UTF-8) on standard error; with `json` also {"error": <the English
// text>} on standard output, so that a script always gets JSON.
void ReportError(const std::string& text, bool json);

// The worse of two exit codes (2 over 1 over 0).
inline int WorseExit(int a, int b) { return a > b ? a : b; }

}  // namespace tessaro::cli
