#include "common/program_folder.h"

#include "platform/filesystem.h"

namespace tessaro {

std::string FolderOfPath(const std::string& path) {
  std::size_t cut = path.find_last_of("/\\");
  if (cut == std::string::npos) return {};
  return path.substr(0, cut + 1);
}

std::string GetProgramFolder() { return FolderOfPath(platform::ExecutablePath()); }

}  // namespace tessaro
