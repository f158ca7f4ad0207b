// The file-system primitives that the portable walkers and helpers are built on, and the
// platform's conventions for paths and file names.
//
// Paths are narrow text in the ANSI code page. Shared code joins paths with JoinPath and never
// writes a separator of its own; a backend may accept other separators on input (Windows takes
// "/" as well as "\\"), but every path it hands out uses kPathSeparator.
#pragma once

#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

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

// The std::filesystem path named by `text`, narrow text in `codePage` (kAnsiCodePage for the
// platform's own narrow paths, kUtf8CodePage for names that came as Unicode, such as archive
// members). Never goes through the C library's locale, which libstdc++ converts narrow paths with
// on Windows: there the path holds the UTF-16 of the text, so a name outside the ANSI code page
// keeps its characters. On POSIX the path holds the text in the ANSI code page (bytes as they are
// when `codePage` is that code page; a character it lacks becomes "?"). Thread-safe.
std::filesystem::path PathFromText(std::string_view text, CodePage codePage);

// `name`, one part of a path (narrow text or UTF-8), as a file name this platform takes: on
// Windows the characters that no file name may hold (< > : " / \\ | ? * and the control
// characters; ":" would name another drive or a stream of the file) become "_", and a name of a
// device (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, also with an extension) gets a "_"
// before it; on POSIX only "/" and NUL are replaced. "." and ".." are the caller's to handle.
std::string MakeFileNamePart(std::string_view name);

// The character set in which names stored without a declared encoding (archive members of
// older formats: RAR without its Unicode names, ZIP without its UTF-8 flag, plain tar) are
// read, by the name that libarchive's "hdrcharset" option takes. On Windows the ANSI code page
// ("CP936" on a Chinese system), so that such names come out as the system's programs show
// them, whatever the C library's locale of the process; nothing on POSIX, where names are bytes
// and are kept as they are. Thread-safe.
std::optional<std::string> LegacyNameCharset();

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
// order the file system returns them; on Windows an entry whose name does not fit the ANSI code
// page by its short (8.3) name, which opens it, where the volume keeps one. Returns false (and
// visits nothing) when the folder cannot be read. Thread-safe.
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
// The same for a path of std::filesystem (PathFromText): on Windows also for names outside the
// ANSI code page.
NewFile CreateNewFile(const std::filesystem::path& path);

// Opens the existing file `path` for binary reading (on Windows also under a name outside the
// ANSI code page); nullptr when it cannot be opened. The caller closes it with std::fclose.
std::FILE* OpenFileForReading(const std::filesystem::path& path);

// Makes the file `path` runnable as a program by its owner and group, where the platform records
// that with the file (POSIX execute permission; on Windows the name alone decides, and nothing
// changes).
// Returns false when the file is missing or cannot be changed.
bool MakeExecutable(const std::string& path);

}  // namespace platform
