#include "common/file_lister.h"

#include "platform/filesystem.h"

namespace tessaro {

void CollectFiles(const std::string& folder, std::vector<std::string>& list) {
  platform::ListDirectory(folder, [&](const platform::DirectoryEntry& entry) {
    std::string path = folder + platform::kPathSeparator + std::string(entry.name);
    switch (entry.kind) {
      case platform::EntryKind::kDirectory:
        if (entry.name.front() != '.') CollectFiles(path, list);
        break;
      case platform::EntryKind::kFile:
        list.push_back(std::move(path));
        break;
      case platform::EntryKind::kDirectoryLink:
        break;
    }
  });
}

}  // namespace tessaro
