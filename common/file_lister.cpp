#include "common/file_lister.h"

#include "platform/filesystem.h"

namespace tessaro {
namespace {

void Collect(const std::string& folder, std::vector<std::string>& list,
             const std::function<void(const std::string&)>* beforeFolder) {
  if (beforeFolder != nullptr) (*beforeFolder)(folder);
  platform::ListDirectory(folder, [&](const platform::DirectoryEntry& entry) {
    std::string path = platform::JoinPath(folder, entry.name);
    switch (entry.kind) {
      case platform::EntryKind::kDirectory:
        if (entry.name.front() != '.') Collect(path, list, beforeFolder);
        break;
      case platform::EntryKind::kFile:
        list.push_back(std::move(path));
        break;
      case platform::EntryKind::kDirectoryLink:
        break;
    }
  });
}

}  // namespace

void CollectFiles(const std::string& folder, std::vector<std::string>& list) {
  Collect(folder, list, nullptr);
}

void CollectFiles(const std::string& folder, std::vector<std::string>& list,
                  const std::function<void(const std::string& folder)>& beforeFolder) {
  Collect(folder, list, &beforeFolder);
}

}  // namespace tessaro
