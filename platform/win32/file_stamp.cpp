// File stamps for Windows: GetFileAttributesExA, and the file's handle for links to follow.
// FILETIME counts 100 ns since 1601-01-01 UTC. "changed" is the creation time, the one time the
// system alone sets; "id" is the volume's file index where a handle was opened anyway.
#ifdef _WIN32

#include "platform/file_stamp.h"

#include <windows.h>

#include "platform/filesystem.h"

namespace platform {
namespace {

constexpr std::int64_t kUnixEpochIn100ns = 116444736000000000;

std::int64_t Nanoseconds(const FILETIME& time) {
  const std::int64_t ticks = static_cast<std::int64_t>(
      (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
  return (ticks - kUnixEpochIn100ns) * 100;
}

// The stamp of what the link at `path` leads to, read through a handle that follows it.
std::optional<FileStamp> StampThroughHandle(const std::string& path) {
  // No access rights: attributes only. Folders open only with backup semantics.
  HANDLE handle =
      CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::nullopt;
  BY_HANDLE_FILE_INFORMATION info;
  const bool ok = GetFileInformationByHandle(handle, &info);
  CloseHandle(handle);
  if (!ok) return std::nullopt;
  FileStamp stamp;
  if (!(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    stamp.size = (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  }
  stamp.modified = Nanoseconds(info.ftLastWriteTime);
  stamp.changed = Nanoseconds(info.ftCreationTime);
  stamp.id = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return stamp;
}

}  // namespace

std::optional<FileStamp> StampFile(const std::string& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return std::nullopt;
  // These are the link's own attributes: the stamp is that of its target.
  if (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) return StampThroughHandle(path);
  FileStamp stamp;
  if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  }
  stamp.modified = Nanoseconds(data.ftLastWriteTime);
  stamp.changed = Nanoseconds(data.ftCreationTime);
  return stamp;
}

// Windows looks up names by full path only; the folder is checked once, and each file of it is
// stamped by its full path.
FolderStamps::FolderStamps(const std::string& folder) : folder_(folder) {
  DWORD attributes = GetFileAttributesA(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    handle_ = 0;
  }
}

FolderStamps::~FolderStamps() = default;

std::optional<FileStamp> FolderStamps::Stamp(const char* name) const {
  if (handle_ < 0) return std::nullopt;
  return StampFile(JoinPath(folder_, name));
}

std::int64_t FileClockNow() {
  FILETIME now;
  GetSystemTimePreciseAsFileTime(&now);
  return Nanoseconds(now);
}

}  // namespace platform

#endif  // _WIN32
