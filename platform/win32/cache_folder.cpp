// The cache folder on Windows: %LOCALAPPDATA%\Tessaro, the user's local application data.
#ifdef _WIN32

#include "platform/cache_folder.h"

#include "platform/filesystem.h"
#include "platform/win32/known_folder.h"

namespace platform {

std::string ProgramCacheFolder() {
  std::string localAppData = win32::KnownFolderPath(win32::KnownFolder::kLocalAppData);
  if (localAppData.empty()) return {};
  return JoinPath(localAppData, "Tessaro");
}

}  // namespace platform

#endif  // _WIN32
