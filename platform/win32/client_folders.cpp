// The client's folders on Windows: the current directory for its working files, the program's
// own folder for the engine.
#ifdef _WIN32

#include "platform/client_folders.h"

#include <windows.h>

#include <string>

#include "platform/filesystem.h"

namespace platform {

std::string ClientWorkFolder() {
  char buffer[MAX_PATH];
  const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
  if (length == 0 || length >= sizeof buffer) return {};
  std::string folder(buffer, length);
  // "C:\" keeps its separator; every other folder is named without one.
  if (folder.size() > 3 && (folder.back() == '\\' || folder.back() == '/')) folder.pop_back();
  return folder;
}

std::string EngineFolder() {
  const std::string program = ExecutablePath();
  const std::size_t separator = program.find_last_of("\\/");
  if (separator == std::string::npos) return {};
  return program.substr(0, separator);
}

}  // namespace platform

#endif  // _WIN32
