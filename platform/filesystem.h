// The file-system primitives that the portable walkers and helpers are built on, and the
// platform's conventions for paths and file names.
//
// Paths are narrow text in the ANSI code page. Shared code joins paths with JoinPath and never
// writes a separator of its own; a backend may accept other separators on input (Windows takes
// "/" as well as "\\"), but every path it hands out uses kPathSeparator.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace platform {

// The separator this platform joins paths with: "\\" on Windows, "/" on POSIX.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// `folder` + kPathSeparator + `name`. `folder` is taken as it is: one given with a trailing
// separator gives a doubled one, which every platform reads as one.
inline std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string path;
  path.reserve(folder.size() + 1 + name.size());
  path.append(folder);
  path.push_back(kPathSeparator);
  path.append(name);
  return path;
}

// The file name of the shared library called `baseName`: "Corvid" gives "Corvid.dll" on Windows
// and "libCorvid.so" on POSIX.
std::string SharedLibraryFileName(std::string_view baseName);

// The file name of the program called `baseName`: "setup" gives "setup.exe" on Windows and
// "setup" on POSIX.
std::string ProgramFileName(std::string_view baseName);

// The full path of the running program's executable (not of a library it loaded); empty when
// the system cannot tell.
std::string ExecutablePath();

enum class EntryKind {
  kFile,           // anything that is not a directory: regular files, devices, dangling links
  kDirectory,      // a directory itself, not a link to one
  kDirectoryLink,  // a link (POSIX symbolic link, Windows junction) to a directory: walkers do
                   // not follow it, so no cycle
};

struct DirectoryEntry {
  std::string_view name;  // valid during the visit only
  EntryKind kind = EntryKind::kFile;
};

// Calls `visit` for every entry of `folder` (no trailing separator) except "." and "..", in the
// order the file system returns them. Returns false (and visits nothing) when the folder cannot
// be read. Thread-safe.
bool ListDirectory(const std::string& folder,
                   const std::function<void(const DirectoryEntry&)>& visit);

enum class NewFileStatus {
  kCreated,  // `file` is open for writing
  kExists,   // something (a file, a folder, a link, even a dangling one) has that name already
  kFailed,   // any other failure: missing folder, no access, no space
};

struct NewFile {
  NewFileStatus status = NewFileStatus::kFailed;
  std::FILE* file = nullptr;  // owned by the caller, who closes it with std::fclose
};

// Creates the file `path` only when nothing of that name exists, in one step that no other
// process can come between, and opens it for binary writing. The file is not inherited by
// programs started later. Never replaces or follows what is there. Thread-safe.
NewFile CreateNewFile(const std::string& path);

// Makes the file `path` runnable as a program by its owner and group, where the platform records
// that with the file (POSIX execute permission; on Windows the name alone decides, and nothing
// changes).
// Returns false when the file is missing or cannot be changed.
bool MakeExecutable(const std::string& path);

}  // namespace platform
