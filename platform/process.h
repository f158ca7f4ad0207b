// Starting a program hidden, without a console window or input, and waiting for it within a bound.
#pragma once

#include <chrono>
#include <string>

namespace platform {

enum class RunOutcome {
  kNotStarted,  // the program could not be started (missing, not executable)
  kExited,      // the program ended by itself; exitCode holds its code
  kKilled,      // the program did not end within the bound and was killed
};

struct RunResult {
  RunOutcome outcome = RunOutcome::kNotStarted;
  int exitCode = -1;
};

// Starts `file` (a path, or a bare name looked up on the search path) with the whole parameter
// line `parameters`, hidden: no window, no input (reading its standard input gives end of file),
// its output discarded, in the caller's current directory. Waits until it ends or `bound` has
// passed; then it is killed together with the programs it started. Never shows a dialog.
// Thread-safe.
RunResult RunHiddenProgram(const std::string& file, const std::string& parameters,
                           std::chrono::milliseconds bound);

// Starts the program at `path` with no arguments, shown normally, in the caller's environment and
// current directory, without waiting for it. Returns whether it started.
bool StartProgram(const std::string& path);

}  // namespace platform
