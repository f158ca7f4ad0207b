// The cache folder on POSIX systems: the XDG base directory rules.

#include "platform/cache_folder.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace platform {
namespace {

std::string HomeFolder() {
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

}  // namespace

std::string ProgramCacheFolder() {
  const char* cacheHome = std::getenv("XDG_CACHE_HOME");
  std::string folder;
  if (cacheHome != nullptr && cacheHome[0] == '/') {
    folder = cacheHome;
  } else {
    folder = HomeFolder();
    if (folder.empty()) return {};
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    folder += folder == "/" ? ".cache" : "/.cache";
  }
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder == "/" ? "/tessaro" : folder + "/tessaro";
}

}  // namespace platform
