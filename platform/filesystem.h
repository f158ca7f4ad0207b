// The file-system primitives that the portable walkers and helpers are built on.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The path separator of this platform; paths are joined with it.
inline constexpr char kPathSeparator = '/';

// The full path of the running program's executable (not of a library it loaded); empty when
// the system cannot tell.
std::string ExecutablePath();

enum class EntryKind {
  kFile,       // anything that is not a directory: regular files, devices, dangling links
  kDirectory,  // a directory itself, not a link to one
  kDirectoryLink,  // a symbolic link to a directory: walkers do not follow it, so no cycle
};

struct DirectoryEntry {
  std::string_view name;
  EntryKind kind = EntryKind::kFile;
};

// Calls `visit` for every entry of `folder` except "." and "..", in the order the file system
// returns them. Returns false (and visits nothing) when the folder cannot be read.
bool ListDirectory(const std::string& folder,
                   const std::function<void(const DirectoryEntry&)>& visit);

}  // namespace platform
