// What tells one version of a file from another without reading it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// The size and times of a file (or folder) as the file system records them. Two stamps of the
// same path that are equal mean, as far as the system can tell, the same contents: writing a file
// changes its modification time, replacing it changes its identity or change time. Times are
// nanoseconds since 1970-01-01 UTC, as precise as the file system keeps them.
struct FileStamp {
  std::uint64_t size = 0;
  std::int64_t modified = 0;  // last write of the contents
  std::int64_t changed = 0;   // POSIX: last change of the file's record (set by the system only)
  std::uint64_t id = 0;       // POSIX: the inode number; 0 where the system gives none cheaply

  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file or folder at `path` (narrow text), following symbolic links. nullopt when
// it does not exist or cannot be examined. Thread-safe.
std::optional<FileStamp> StampFile(const std::string& path);

// Stamps of the files of one folder by their bare names: cheaper than StampFile on full paths
// when many files of a folder are stamped, as the folder's own path is looked up once. A folder
// that cannot be opened gives no stamps. Not copyable; use from one thread at a time.
class FolderStamps {
 public:
  explicit FolderStamps(const std::string& folder);
  ~FolderStamps();
  FolderStamps(const FolderStamps&) = delete;
  FolderStamps& operator=(const FolderStamps&) = delete;

  const std::string& folder() const { return folder_; }

  // The stamp of the file `name` (NUL-terminated, no separator) of the folder, following
  // symbolic links; nullopt as for StampFile.
  std::optional<FileStamp> Stamp(const char* name) const;

 private:
  std::string folder_;
  std::intptr_t handle_ = -1;  // the open folder; -1 when it could not be opened
};

// Now, on the clock of FileStamp's times. Thread-safe.
std::int64_t FileClockNow();

}  // namespace platform
