// File-system primitives for Windows: GetModuleFileNameA, FindFirstFileExA/FindNextFileA,
// CreateFileA/CreateFileW(CREATE_NEW) handed to the C runtime as a FILE*, paths of
// std::filesystem in UTF-16 through MultiByteToWideChar.
#ifdef _WIN32

#include "platform/filesystem.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <optional>
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
  // With the short (8.3) names: the one way to name in the ANSI code page a file whose name
  // does not fit it (a font unpacked from an archive with a Chinese name on a Western system).
  HANDLE find = FindFirstFileExA(pattern.c_str(), FindExInfoStandard, &data, FindExSearchNameMatch,
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
    // A character that the code page lacks came as "?", which no file name holds: the short
    // name opens the file instead (when the volume keeps short names).
    if (name.find('?') != std::string_view::npos && data.cAlternateFileName[0] != '\0') {
      name = data.cAlternateFileName;
    }
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

namespace {

// CreateNewFile for a narrow (CreateFileA and the others of its kind) or a wide path.
HANDLE CreateNew(const char* path, SECURITY_ATTRIBUTES* security, DWORD flags) {
  return CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, security, CREATE_NEW, flags, nullptr);
}
HANDLE CreateNew(const wchar_t* path, SECURITY_ATTRIBUTES* security, DWORD flags) {
  return CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, security, CREATE_NEW, flags, nullptr);
}
DWORD AttributesOf(const char* path) { return GetFileAttributesA(path); }
DWORD AttributesOf(const wchar_t* path) { return GetFileAttributesW(path); }
void Delete(const char* path) { DeleteFileA(path); }
void Delete(const wchar_t* path) { DeleteFileW(path); }

template <typename Char>
NewFile CreateNewFileAt(const Char* path) {
  NewFile result;
  SECURITY_ATTRIBUTES noInherit{sizeof noInherit, nullptr, FALSE};
  // CREATE_NEW fails on any existing name; FILE_FLAG_OPEN_REPARSE_POINT keeps a link from being
  // followed to create its target.
  HANDLE handle = CreateNew(path, &noInherit, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) {
    DWORD error = GetLastError();
    bool exists = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    // A folder of that name gives "access denied" rather than "exists".
    if (!exists && error == ERROR_ACCESS_DENIED) {
      exists = AttributesOf(path) != INVALID_FILE_ATTRIBUTES;
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
    Delete(path);
    return result;
  }
  result.file = file;
  result.status = NewFileStatus::kCreated;
  return result;
}

}  // namespace

NewFile CreateNewFile(const std::string& path) { return CreateNewFileAt(path.c_str()); }

NewFile CreateNewFile(const std::filesystem::path& path) { return CreateNewFileAt(path.c_str()); }

std::FILE* OpenFileForReading(const std::filesystem::path& path) {
  return _wfopen(path.c_str(), L"rb");
}

std::filesystem::path PathFromText(std::string_view text, CodePage codePage) {
  std::optional<std::u16string> wide = MultiByteToWide(text, codePage);
  if (!wide) return std::filesystem::path(std::string(text));
  return std::filesystem::path(std::wstring(wide->begin(), wide->end()));
}

std::optional<std::string> LegacyNameCharset() {
  return "CP" + std::to_string(ResolveCodePage(kAnsiCodePage));
}

std::string MakeFileNamePart(std::string_view name) {
  std::string part(name);
  for (char& c : part) {
    const unsigned char byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || std::string_view("<>:\"/\\|?*").find(c) != std::string_view::npos) {
      c = '_';
    }
  }
  // The system takes these names, with any extension, for its devices in every folder.
  std::string stem = part.substr(0, part.find('.'));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  for (char& c : stem) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  static constexpr std::string_view kDevices[] = {"CON", "PRN", "AUX", "NUL"};
  bool device = std::find(std::begin(kDevices), std::end(kDevices), stem) != std::end(kDevices);
  if (stem.size() == 4 && (stem.starts_with("COM") || stem.starts_with("LPT")) && stem[3] >= '1' &&
      stem[3] <= '9') {
    device = true;
  }
  return device ? "_" + part : part;
}

bool MakeExecutable(const std::string& path) {
  // The name decides what runs; the file only has to be there.
  return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace platform

#endif  // _WIN32
