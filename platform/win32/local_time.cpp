// Local time for Windows: the C runtime's localtime_s.
#ifdef _WIN32

#include "platform/local_time.h"

#include <time.h>

namespace platform {

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  if (localtime_s(&local, &time) != 0) return std::tm{};
  return local;
}

}  // namespace platform

#endif  // _WIN32
