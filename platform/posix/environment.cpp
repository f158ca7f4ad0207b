// Environment variables on POSIX systems: getenv, setenv and unsetenv.

#include "platform/environment.h"

#include <stdlib.h>

namespace platform {

std::optional<std::string> GetEnvironmentValue(const std::string& name) {
  const char* value = getenv(name.c_str());
  if (value == nullptr) return std::nullopt;
  return std::string(value);
}

bool SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value) {
  if (value) return setenv(name.c_str(), value->c_str(), 1) == 0;
  return unsetenv(name.c_str()) == 0;
}

}  // namespace platform
