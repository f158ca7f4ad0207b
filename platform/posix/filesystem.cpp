// File-system primitives for generic POSIX systems (and Linux's /proc/self/exe):
// readlink, opendir/readdir, open(O_EXCL), chmod.

#include "platform/filesystem.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>

namespace platform {

std::string SharedLibraryFileName(std::string_view baseName) {
  return "lib" + std::string(baseName) + ".so";
}

std::string ProgramFileName(std::string_view baseName) { return std::string(baseName); }

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
      std::string path = JoinPath(folder, name);
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

NewFile CreateNewFile(const std::string& path) {
  NewFile result;
  // O_EXCL with O_CREAT fails on any existing name, a dangling symbolic link included.
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    result.status = errno == EEXIST ? NewFileStatus::kExists : NewFileStatus::kFailed;
    return result;
  }
  result.file = fdopen(fd, "wb");
  if (result.file == nullptr) {
    close(fd);
    unlink(path.c_str());
    return result;
  }
  result.status = NewFileStatus::kCreated;
  return result;
}

NewFile CreateNewFile(const std::filesystem::path& path) { return CreateNewFile(path.string()); }

std::FILE* OpenFileForReading(const std::filesystem::path& path) {
  return std::fopen(path.c_str(), "rb");
}

std::filesystem::path PathFromText(std::string_view text, CodePage codePage) {
  if (ResolveCodePage(codePage) == ResolveCodePage(kAnsiCodePage)) {
    return std::filesystem::path(std::string(text));
  }
  return std::filesystem::path(
      ConvertCodePage(text, codePage, kAnsiCodePage).value_or(std::string(text)));
}

std::optional<std::string> LegacyNameCharset() { return std::nullopt; }

std::string MakeFileNamePart(std::string_view name) {
  std::string part(name);
  for (char& c : part) {
    if (c == '/' || c == '\0') c = '_';
  }
  return part;
}

bool MakeExecutable(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) return false;
  mode_t mode = st.st_mode & 07777;
  mode_t wanted = mode | S_IXUSR | S_IXGRP;
  return wanted == mode || chmod(path.c_str(), wanted) == 0;
}

}  // namespace platform
