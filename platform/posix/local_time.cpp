// Local time for POSIX systems: localtime_r.

#include "platform/local_time.h"

namespace platform {

std::tm LocalTime(std::time_t time) {
  std::tm local{};
  if (localtime_r(&time, &local) == nullptr) return std::tm{};
  return local;
}

}  // namespace platform
