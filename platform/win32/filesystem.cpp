// File-system primitives for Windows: GetModuleFileNameA, FindFirstFileExA/FindNextFileA,
// CreateFileA(CREATE_NEW) handed to the C runtime as a FILE*.
#ifdef _WIN32

#include "platform/filesystem.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <string>
#include <vector>

namespace platform {

std::string SharedLibraryFileName(std::string_view baseName) {
  return std::string(baseName) + ".dll";
}

std::string ProgramFileName(std::string_view baseName) { return std::string(baseName) + ".exe"; }

std::string ExecutablePath() {
  std::vector<char> buffer(MAX_PATH);
  while (true) {
    DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) return {};
    if (n < buffer.size()) return std::string(buffer.data(), n);
    if (buffer.size() >= 32768) return {};  // longer than any path the system makes
    buffer.resize(buffer.size() * 2);       // cut off: ask again with more room
  }
}

bool ListDirectory(const std::string& folder,
                   const std::function<void(const DirectoryEntry&)>& visit) {
  const std::string pattern = JoinPath(folder, "*");
  WIN32_FIND_DATAA data;
  // The basic information leaves out the short (8.3) names, which nothing here needs.
  HANDLE find = FindFirstFileExA(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch,
                                 nullptr, FIND_FIRST_EX_LARGE_FETCH);
  if (find == INVALID_HANDLE_VALUE) {
    // Only a root folder can hold no entry at all, not even "." and "..".
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    return error == ERROR_FILE_NOT_FOUND && attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & FILE_ATTRIBUTE_DIRECTORY);
  }
  do {
    std::string_view name = data.cFileName;
    if (name == "." || name == "..") continue;
    EntryKind kind = EntryKind::kFile;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      // Junctions and symbolic links name another folder; other reparse points (cloud
      // placeholders, deduplicated folders) are folders of their own.
      const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                        IsReparseTagNameSurrogate(data.dwReserved0);
      kind = link ? EntryKind::kDirectoryLink : EntryKind::kDirectory;
    }
    visit(DirectoryEntry{name, kind});
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return true;
}

NewFile CreateNewFile(const std::string& path) {
  NewFile result;
  SECURITY_ATTRIBUTES noInherit{sizeof noInherit, nullptr, FALSE};
  // CREATE_NEW fails on any existing name; FILE_FLAG_OPEN_REPARSE_POINT keeps a link from being
  // followed to create its target.
  HANDLE handle = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &noInherit, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    bool exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    // A folder of that name gives "access denied" rather than "exists".
    if (!exists && error == ERROR_ACCESS_DENIED) {
      exists = GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
    }
    result.status = exists ? NewFileStatus::kExists : NewFileStatus::kFailed;
    return result;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_WRONLY | _O_BINARY);
  std::FILE* file = fd >= 0 ? _fdopen(fd, "wb") : nullptr;
  if (file == nullptr) {
    if (fd >= 0) {
      _close(fd);  // closes the handle with it
    } else {
      CloseHandle(handle);
    }
    DeleteFileA(path.c_str());
    return result;
  }
  result.file = file;
  result.status = NewFileStatus::kCreated;
  return result;
}

bool MakeExecutable(const std::string& path) {
  // The name decides what runs; the file only has to be there.
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace platform

#endif  // _WIN32
