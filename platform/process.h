// Starting programs: hidden, without a console window or input, waited for within a bound; or
// shown, left to run on their own.
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
  int exitCode = -1;  // kExited: the program's exit code (POSIX: 128 + the signal that ended it)
};

// Starts `file` (a path, or a bare name looked up on the search path) with the whole parameter
// line `parameters` (Windows quoting rules; POSIX backends split it by them), hidden: no window,
// no input (reading its standard input gives end of file), its output discarded, in the caller's
// current directory and environment. Never shows a dialog, not even when the program cannot be
// started.
//
// The program and every program it starts belong to one group of their own (POSIX: a process
// group; Windows: a job object, the program being created suspended, assigned to it and then
// resumed). Waits until the program ends or `bound` has passed; then, whether it ended or not,
// every program of the group still running is killed, so that nothing started here outlives the
// call. Programs that leave the group on purpose (POSIX: a new session or process group) are not
// followed. Thread-safe.
RunResult RunHiddenProgram(const std::string& file, const std::string& parameters,
                           std::chrono::milliseconds bound);

// Starts the program at `path` with no arguments, shown normally, in the caller's environment and
// current directory, without waiting for it. It belongs to no group of the caller's: it outlives
// the caller (an installer that replaces the caller's files needs to). Returns whether it
// started.
bool StartProgram(const std::string& path);

}  // namespace platform
