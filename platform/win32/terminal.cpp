// Terminal detection on Windows: a stream whose handle is a console. The C runtime's _isatty
// says yes to every character device, the NUL device and serial ports included, so the handle
// is asked whether it has a console mode.
#ifdef _WIN32

#include "platform/terminal.h"

#include <io.h>
#include <windows.h>

namespace platform {

bool IsTerminal(std::FILE* stream) {
  if (stream == nullptr) return false;
  int fd = _fileno(stream);
  if (fd < 0 || !_isatty(fd)) return false;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(fd));
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
         GetConsoleMode(handle, &mode) != FALSE;
}

}  // namespace platform

#endif  // _WIN32
