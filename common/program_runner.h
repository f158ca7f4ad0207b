// Running an outside program hidden and waiting for it.
#pragma once

#include <chrono>
#include <string>

#include "platform/process.h"

namespace tessaro {

// How long a hidden program may run before it is killed. Nobody can answer a hidden program
// that waits for input, so no wait is endless.
inline constexpr std::chrono::milliseconds kDefaultRunBound = std::chrono::minutes(10);

// Starts `file` (a full path or a bare name found on the search path) hidden with the parameter
// line `parameters` (Windows quoting rules), in the caller's current directory, and waits until
// it ends or `bound` has passed, when it is killed. Returns at once, without any dialog, when the
// program cannot be started. Callers judge success by the program's effects; the result says
// what happened for those that care. Thread-safe.
platform::RunResult RunHiddenAndWait(const std::string& file, const std::string& parameters,
                                     std::chrono::milliseconds bound = kDefaultRunBound);

}  // namespace tessaro
