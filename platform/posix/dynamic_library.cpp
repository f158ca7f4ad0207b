// Run-time library loading for POSIX systems: dlopen/dlsym.

#include "platform/dynamic_library.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cerrno>
#include <utility>

namespace platform {

bool DynamicLibrary::Load(const std::string& path, int* errorCode, std::string* errorText) {
  Unload();
  // A path with a slash makes dlopen take exactly that file.
  std::string exact = path.find('/') == std::string::npos ? "./" + path : path;
  handle_ = dlopen(exact.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ != nullptr) return true;
  const char* text = dlerror();
  struct stat st;
  if (errorCode) *errorCode = stat(exact.c_str(), &st) == 0 ? ENOEXEC : ENOENT;
  if (errorText) *errorText = text ? text : "";
  return false;
}

void DynamicLibrary::Unload() {
  if (handle_ != nullptr) dlclose(handle_);
  handle_ = nullptr;
}

void* DynamicLibrary::Symbol(const char* name) const {
  return handle_ ? dlsym(handle_, name) : nullptr;
}

const char* LoadErrorCodeName() { return "errno"; }

}  // namespace platform
