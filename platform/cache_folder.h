// Where this program keeps data it can always rebuild.
#pragma once

#include <string>

namespace platform {

// The folder for this user's caches of Tessaro, without a trailing separator: on POSIX
// $XDG_CACHE_HOME/tessaro, or $HOME/.cache/tessaro when XDG_CACHE_HOME is unset, empty or not
// absolute (the home folder of the user's account when HOME is unset); on Windows
// %LOCALAPPDATA%\Tessaro. The folder may not exist yet; callers create it. Empty when no such
// folder can be named. Narrow text. Thread-safe.
std::string ProgramCacheFolder();

}  // namespace platform
