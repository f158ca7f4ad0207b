// The debugging channel on Windows: the debugger's output, OutputDebugStringA.
#ifdef _WIN32

#include "platform/debug_trace.h"

#include <windows.h>

namespace platform {

void DebugTrace(const std::string& line) { OutputDebugStringA(line.c_str()); }

}  // namespace platform

#endif  // _WIN32
