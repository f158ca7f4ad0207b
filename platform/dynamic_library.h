// Loading a shared library at run time and finding its exports by name.
#pragma once

#include <string>

namespace platform {

// A loaded library; unloaded when the object goes away. Not copyable.
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  DynamicLibrary(DynamicLibrary&& other) noexcept;
  DynamicLibrary& operator=(DynamicLibrary&& other) noexcept;
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;
  ~DynamicLibrary();

  // Loads the library at exactly `path`; no other folder is searched. On failure the object
  // stays unloaded and `errorCode` (when given) receives the system's error code (on POSIX a
  // stand-in: ENOENT for a missing file, ENOEXEC for a file that is no loadable library) and
  // `errorText` its description.
  bool Load(const std::string& path, int* errorCode = nullptr, std::string* errorText = nullptr);
  void Unload();
  bool loaded() const { return handle_ != nullptr; }

  // The address of the export `name`, or null when it is missing or nothing is loaded.
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
};

// What the system calls the error codes that DynamicLibrary::Load gives, for log lines next to a
// code: "windows 错误码" (Windows error code) on Windows, "errno" on POSIX.
const char* LoadErrorCodeName();

}  // namespace platform
