// The user's home folder, for the XDG base directory rules of the POSIX backend.
#pragma once

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace platform::posix {

// $HOME when it is set and not empty, else the home folder of the user's account; empty when
// neither can be found.
inline std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] != '\0') return home;
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<std::size_t>(size) : 16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || found == nullptr ||
      found->pw_dir == nullptr || found->pw_dir[0] == '\0') {
    return {};
  }
  return found->pw_dir;
}

// The folder `variable` names when it holds an absolute path, else $HOME/`fallback` (e.g.
// ".cache"); then `program` inside it. Trailing separators are dropped. Empty without a home.
inline std::string XdgProgramFolder(const char* variable, const char* fallback,
                                    const char* program) {
  const char* base = std::getenv(variable);
  std::string folder;
  if (base != nullptr && base[0] == '/') {
    folder = base;
  } else {
    folder = HomeFolder();
    if (folder.empty()) return {};
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    folder += folder == "/" ? fallback : std::string("/") + fallback;
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder == "/" ? std::string("/") + program : folder + "/" + program;
}

}  // namespace platform::posix
