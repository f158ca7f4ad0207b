#include "client/core/update_folder.h"

#include <filesystem>
#include <system_error>

#include "platform/filesystem.h"

namespace tessaro {

std::string UpdateFolder(const std::string& workDir) {
  return platform::JoinPath(workDir, "update");
}

void CleanUpdateFolder(const std::string& workDir) {
  namespace fs = std::filesystem;
  const fs::path folder = UpdateFolder(workDir);
  std::error_code error;
  // symlink_status: a link named "update" is not followed into someone else's folder.
  if (!fs::is_directory(fs::symlink_status(folder, error))) return;
  fs::remove_all(folder, error);
}

}  // namespace tessaro
