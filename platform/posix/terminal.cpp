// Terminal detection on POSIX: isatty on the stream's descriptor.

#include "platform/terminal.h"

#include <unistd.h>

namespace platform {

bool IsTerminal(std::FILE* stream) {
  if (stream == nullptr) return false;
  int fd = fileno(stream);
  return fd >= 0 && isatty(fd) == 1;
}

}  // namespace platform
