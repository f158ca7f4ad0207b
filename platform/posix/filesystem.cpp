// File-system primitives for POSIX systems: readlink("/proc/self/exe"), opendir/readdir.

#include "platform/filesystem.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <string>

namespace platform {

std::string ExecutablePath() {
  char buffer[PATH_MAX];
  ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (n <= 0) return {};
  return std::string(buffer, static_cast<std::size_t>(n));
}

bool ListDirectory(const std::string& folder,
                   const std::function<void(const DirectoryEntry&)>& visit) {
  DIR* dir = opendir(folder.c_str());
  if (dir == nullptr) return false;
  while (dirent* ent = readdir(dir)) {
    std::string_view name = ent->d_name;
    if (name == "." || name == "..") continue;
    EntryKind kind = EntryKind::kFile;
    unsigned char type = ent->d_type;
    if (type == DT_DIR) {
      kind = EntryKind::kDirectory;
    } else if (type == DT_LNK || type == DT_UNKNOWN) {
      std::string path = folder + kPathSeparator + std::string(name);
      struct stat st;
      if (type == DT_UNKNOWN && lstat(path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
        if (S_ISDIR(st.st_mode)) kind = EntryKind::kDirectory;
      } else if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        kind = EntryKind::kDirectoryLink;
      }
    }
    visit(DirectoryEntry{name, kind});
  }
  closedir(dir);
  return true;
}

}  // namespace platform
