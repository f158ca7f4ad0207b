// File stamps on POSIX systems: stat(2) with nanosecond times.

#include "platform/file_stamp.h"

#include <sys/stat.h>
#include <time.h>

namespace platform {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

}  // namespace

std::optional<FileStamp> StampFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  FileStamp stamp;
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.modified = Nanoseconds(st.st_mtim);
  stamp.changed = Nanoseconds(st.st_ctim);
  stamp.id = static_cast<std::uint64_t>(st.st_ino);
  return stamp;
}

std::int64_t FileClockNow() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

}  // namespace platform
