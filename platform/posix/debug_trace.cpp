// The debugging channel on POSIX systems: standard error, when CORVID_TRACE asks for it.

#include "platform/debug_trace.h"

#include <cstdio>
#include <cstdlib>

namespace platform {

void DebugTrace(const std::string& line) {
  if (std::getenv("CORVID_TRACE") == nullptr) return;
  std::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace platform
