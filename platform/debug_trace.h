// The platform's channel for debugging output, which users never see unless they ask.
#pragma once

#include <string>

namespace platform {

// Sends `line` (narrow text, with its own line end) to the debugging channel: on Windows the
// debugger's output (OutputDebugStringA); on POSIX standard error, and only when the environment
// variable CORVID_TRACE is set. Never fails. Thread-safe.
void DebugTrace(const std::string& line);

}  // namespace platform
