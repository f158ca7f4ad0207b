// Environment variables on Windows: the process's own block (GetEnvironmentVariableA,
// SetEnvironmentVariableA), which programs started later receive, and the C runtime's copy of
// it (_putenv_s), which getenv reads.
#ifdef _WIN32

#include "platform/environment.h"

#include <stdlib.h>
#include <windows.h>

#include <vector>

namespace platform {

std::optional<std::string> GetEnvironmentValue(const std::string& name) {
  std::vector<char> buffer(256);
  while (true) {
    SetLastError(ERROR_SUCCESS);
    DWORD n =
        GetEnvironmentVariableA(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      // Zero is also the length of a value that is set and empty.
      if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
      return std::string();
    }
    if (n < buffer.size()) return std::string(buffer.data(), n);
    buffer.resize(n);  // the size it needs, its terminating NUL included
  }
}

bool SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
  if (name.empty() || name.find('=') != std::string::npos) return false;
  // The C runtime cannot hold an empty value: "" removes its copy, and only the process's block
  // keeps the empty variable.
  _putenv_s(name.c_str(), value ? value->c_str() : "");
  return SetEnvironmentVariableA(name.c_str(), value ? value->c_str() : nullptr) != FALSE;
}

}  // namespace platform

#endif  // _WIN32
