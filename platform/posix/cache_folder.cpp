// The cache folder on POSIX systems: the XDG base directory rules.

#include "platform/cache_folder.h"

#include "platform/posix/home_folder.h"

namespace platform {

std::string ProgramCacheFolder() {
  return posix::XdgProgramFolder("XDG_CACHE_HOME", ".cache", "tessaro");
}

}  // namespace platform
