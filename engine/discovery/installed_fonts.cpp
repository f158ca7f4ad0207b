#include "engine/discovery/installed_fonts.h"

#include <algorithm>

#include "common/file_lister.h"
#include "platform/fonts.h"

namespace corvid {
namespace {

bool AllInstalled(const DocumentFontSet& documentFonts, const InstalledFontSet& installed) {
  return std::all_of(documentFonts.begin(), documentFonts.end(),
                     [&](const std::string& name) { return installed.count(name) != 0; });
}

}  // namespace

int CollectInstalledFaceNames(const char* faceName, void* context) {
  static_cast<InstalledFontSet*>(context)->emplace(faceName);
  return 1;
}

FontFileGroups ScanFontFolder() {
  std::vector<std::string> files;
  for (const std::string& folder : platform::SystemFontFolders()) {
    std::string root = folder;
    while (root.size() > 1 && root.back() == '/') root.pop_back();
    tessaro::CollectFiles(root, files);
  }
  FontFileGroups groups;
  FontFileReader reader;
  for (const std::string& file : files) {
    FontFileNames names = reader.Read(file, PlaceholderFamilies::kKeep);
    if (names.empty()) continue;
    groups.push_back(std::move(names));
    platform::DebugTrace(std::to_string(groups.size()) + ", " + file + ", " +
                         groups.back().front() + "\n");
  }
  return groups;
}

void WidenInstalledSet(InstalledFontSet& installed, const FontFileGroups& groups) {
  for (const FontFileNames& group : groups) {
    bool known = std::any_of(group.begin(), group.end(),
                             [&](const std::string& name) { return installed.count(name) != 0; });
    if (known) installed.insert(group.begin(), group.end());
  }
}

std::vector<std::string> ComputeLackFonts(const DocumentFontSet& documentFonts) {
  if (documentFonts.empty()) return {};
  InstalledFontSet installed;
  platform::EnumerateInstalledFaceNames(&CollectInstalledFaceNames, &installed);
  // Widening only adds names: when the enumeration already has them all, nothing is missing.
  if (!AllInstalled(documentFonts, installed)) WidenInstalledSet(installed, ScanFontFolder());
  std::vector<std::string> missing;
  for (const std::string& name : documentFonts) {
    if (installed.count(name) == 0) missing.push_back(name);
  }
  return missing;
}

}  // namespace corvid
