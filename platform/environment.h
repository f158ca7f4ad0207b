// The process's environment variables. (Not named GetEnvironmentVariable and
// SetEnvironmentVariable: <windows.h> makes those names macros for its own functions.)
#pragma once

#include <optional>
#include <string>

namespace platform {

// The value of the environment variable `name` (narrow text), nullopt when it is not set.
// Not safe against a concurrent SetEnvironmentValue.
std::optional<std::string> GetEnvironmentValue(const std::string& name);

// Sets the environment variable `name` to `value`, or removes it when `value` is nullopt, for
// this process and the programs it starts from now on. Returns false when the system refuses
// (an invalid name). Not thread-safe: no other thread may read or change the environment
// meanwhile.
bool SetEnvironmentValue(const std::string& name, const std::optional<std::string>& value);

}  // namespace platform
