// File stamps on POSIX systems: stat(2) and fstatat(2) with nanosecond times.

#include "platform/file_stamp.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

namespace platform {
namespace {

std::int64_t Nanoseconds(const timespec& time) {
  return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
}

FileStamp StampOf(const struct stat& st) {
  FileStamp stamp;
  stamp.size = static_cast<std::uint64_t>(st.st_size);
  stamp.modified = Nanoseconds(st.st_mtim);
  stamp.changed = Nanoseconds(st.st_ctim);
  stamp.id = static_cast<std::uint64_t>(st.st_ino);
  return stamp;
}

}  // namespace

std::optional<FileStamp> StampFile(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return std::nullopt;
  return StampOf(st);
}

FolderStamps::FolderStamps(const std::string& folder)
    : folder_(folder), handle_(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

FolderStamps::~FolderStamps() {
  if (handle_ >= 0) close(static_cast<int>(handle_));
}

std::optional<FileStamp> FolderStamps::Stamp(const char* name) const {
  struct stat st;
  if (handle_ < 0 || fstatat(static_cast<int>(handle_), name, &st, 0) != 0) {
    return std::nullopt;
  }
  return StampOf(st);
}

std::int64_t FileClockNow() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return Nanoseconds(now);
}

}  // namespace platform
