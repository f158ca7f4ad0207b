// Run-time library loading for Windows: LoadLibraryExA of one full path, GetProcAddress.
#ifdef _WIN32

#include "platform/dynamic_library.h"

#include <windows.h>

#include <utility>
#include <vector>

namespace platform {
namespace {

// The system's text for `code`, without the line end it comes with.
std::string ErrorText(DWORD code) {
  char* text = nullptr;
  DWORD size = FormatMessageA(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result = size > 0 && text != nullptr ? std::string(text, size) : std::string();
  LocalFree(text);
  while (!result.empty() &&
         (result.back() == '\n' || result.back() == '\r' || result.back() == ' ')) {
    result.pop_back();
  }
  return result.empty() ? "Windows error " + std::to_string(code) : result;
}

// `path` made absolute, with backslashes, as LOAD_WITH_ALTERED_SEARCH_PATH needs it; empty when
// the system cannot make it so.
std::string FullPath(const std::string& path) {
  DWORD size = GetFullPathNameA(path.c_str(), 0, nullptr, nullptr);
  if (size == 0) return {};
  std::vector<char> buffer(size);
  DWORD n = GetFullPathNameA(path.c_str(), size, buffer.data(), nullptr);
  if (n == 0 || n >= size) return {};
  return std::string(buffer.data(), n);
}

}  // namespace

bool DynamicLibrary::Load(const std::string& path, int* errorCode, std::string* errorText) {
  Unload();
  std::string exact = FullPath(path);
  DWORD error = ERROR_INVALID_NAME;
  if (!exact.empty()) {
    // A file name without an extension would get ".dll" added; a final dot keeps it as it is.
    std::size_t name = exact.find_last_of('\\');
    if (exact.find('.', name == std::string::npos ? 0 : name) == std::string::npos) exact += '.';
    // The library's own dependencies are looked for in its folder first. No dialog for a
    // library that cannot be loaded: the caller reports it.
    DWORD previousMode = 0;
    SetThreadErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX, &previousMode);
    handle_ = LoadLibraryExA(exact.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    error = GetLastError();
    SetThreadErrorMode(previousMode, nullptr);
    if (handle_ != nullptr) return true;
  }
  if (errorCode) *errorCode = static_cast<int>(error);
  if (errorText) *errorText = ErrorText(error);
  return false;
}

void DynamicLibrary::Unload() {
  if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
  handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  if (handle_ == nullptr) return nullptr;
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name));
}

const char* LoadErrorCodeName() { return "windows 错误码"; }

}  // namespace platform

#endif  // _WIN32
