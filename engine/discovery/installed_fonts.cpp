#include "engine/discovery/installed_fonts.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string_view>
#include <unordered_set>

#include "common/file_lister.h"
#include "engine/discovery/font_name_cache.h"
#include "platform/cache_folder.h"
#include "platform/debug_trace.h"
#include "platform/file_stamp.h"
#include "platform/filesystem.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

std::atomic<std::int64_t> g_settleTime{kFontNameCacheSettleTime};
std::atomic<std::uint64_t> g_forgotten{0};

std::mutex g_statisticsMutex;
InventoryStatistics g_statistics;

void Count(std::uint64_t InventoryStatistics::*counter, std::uint64_t amount = 1) {
  std::lock_guard<std::mutex> lock(g_statisticsMutex);
  g_statistics.*counter += amount;
}

bool Settled(const platform::FileStamp& stamp, std::int64_t now) {
  std::int64_t settled = now - g_settleTime.load();
  return stamp.modified <= settled && stamp.changed <= settled;
}

// A folder as it was just before it was read. A folder changed within the settle time may change
// again without its stamp showing it, so it never counts as unchanged.
struct FolderState {
  std::string path;
  std::optional<platform::FileStamp> stamp;  // none: it did not exist
  bool settled = true;
};

bool FoldersUnchanged(const std::vector<FolderState>& folders) {
  return std::all_of(folders.begin(), folders.end(), [](const FolderState& folder) {
    return folder.settled && platform::StampFile(folder.path) == folder.stamp;
  });
}

// The record of font file names, for the code page and cache folder in force; recreated when
// either changes (tests change both). Guarded by g_cacheMutex.
std::mutex g_cacheMutex;
std::unique_ptr<FontNameCache> g_cache;

FontNameCache& CurrentCache(platform::CodePage codePage) {
  std::string folder = platform::ProgramCacheFolder();
  std::string file = folder.empty() ? std::string() : FontNameCache::FileFor(folder, codePage);
  if (!g_cache || g_cache->file() != file || g_cache->codePage() != codePage) {
    g_cache = std::make_unique<FontNameCache>(file, codePage);
    g_cache->Load();
  } else {
    g_cache->Refresh();
  }
  g_cache->SetSettleTime(g_settleTime.load());
  return *g_cache;
}

// The names of the font files that have any, in listing order, shared with the record.
using SharedGroups = std::vector<std::shared_ptr<const FontFileContents>>;

struct FolderScan {
  SharedGroups groups;
  std::vector<FolderState> folders;
};

FolderScan ScanFolders(const std::vector<std::string>& roots, platform::CodePage codePage) {
  FolderScan scan;
  std::vector<std::string> files;
  for (const std::string& root : roots) {
    tessaro::CollectFiles(root, files, [&](const std::string& folder) {
      FolderState state{folder, platform::StampFile(folder)};
      state.settled = !state.stamp || Settled(*state.stamp, platform::FileClockNow());
      scan.folders.push_back(std::move(state));
    });
  }
  Count(&InventoryStatistics::folderScans);
  if (roots.empty()) return scan;  // no font folder: the record is not needed
  std::lock_guard<std::mutex> lock(g_cacheMutex);
  FontNameCache& cache = CurrentCache(codePage);
  cache.BeginScan(roots);
  std::optional<FontFileReader> reader;  // FreeType is started only when a file must be read
  std::uint64_t read = 0;
  std::optional<platform::FolderStamps> folder;  // the folder of the files being stamped
  for (const std::string& file : files) {
    std::size_t slash = file.rfind(platform::kPathSeparator);
    std::string_view folderPath(file.data(), slash);
    if (!folder || folder->folder() != folderPath) folder.emplace(std::string(folderPath));
    std::optional<platform::FileStamp> stamp = folder->Stamp(file.c_str() + slash + 1);
    std::shared_ptr<const FontFileContents> contents;
    if (stamp) contents = cache.Find(file, *stamp);
    if (contents == nullptr) {
      std::int64_t now = platform::FileClockNow();
      if (!reader) reader.emplace();
      contents = std::make_shared<const FontFileContents>(reader->ReadContents(file));
      ++read;
      if (stamp) cache.Store(file, *stamp, contents, now);
    }
    if (contents->names.empty()) continue;
    scan.groups.push_back(contents);
    platform::DebugTrace(std::to_string(scan.groups.size()) + ", " + file + ", " +
                         contents->names.front() + "\n");
  }
  cache.Save();
  Count(&InventoryStatistics::filesRead, read);
  Count(&InventoryStatistics::filesOnRecord, files.size() - read);
  return scan;
}

bool AllInstalled(const DocumentFontSet& documentFonts, const InstalledFontSet& installed) {
  return std::all_of(documentFonts.begin(), documentFonts.end(),
                     [&](const std::string& name) { return installed.count(name) != 0; });
}

// The inventory of this process, kept between calls. Guarded by g_inventoryMutex.
struct Inventory {
  // The system's enumeration, and what it was read under.
  bool enumerated = false;
  std::uint64_t fontsVersion = 0;
  std::uint64_t forgotten = 0;
  platform::CodePage codePage = 0;
  InstalledFontSet names;
  // The font files' groups, read when the enumeration alone does not answer, and what they were
  // read under.
  bool scanned = false;
  std::vector<std::string> roots;
  std::vector<FolderState> folders;
  SharedGroups groups;
  // The enumeration widened by the groups, as views of the names above.
  bool widened = false;
  std::unordered_set<std::string_view> widenedNames;
};

// WidenInstalledSet over the kept inventory, with a hashed set: the same rule, group after group.
void Widen(Inventory& inventory) {
  std::unordered_set<std::string_view>& installed = inventory.widenedNames;
  installed.clear();
  installed.insert(inventory.names.begin(), inventory.names.end());
  for (const auto& group : inventory.groups) {
    const FontFileNames& names = group->names;
    bool known = std::any_of(names.begin(), names.end(),
                             [&](const std::string& name) { return installed.count(name) != 0; });
    if (known) installed.insert(names.begin(), names.end());
  }
}

std::mutex g_inventoryMutex;
Inventory g_inventory;

}  // namespace

int CollectInstalledFaceNames(const char* faceName, void* context) {
  static_cast<InstalledFontSet*>(context)->emplace(faceName);
  return 1;
}

FontFileGroups ScanFontFolder() {
  FolderScan scan = ScanFolders(platform::SystemFontFolders(),
                                platform::ResolveCodePage(platform::kAnsiCodePage));
  FontFileGroups groups;
  groups.reserve(scan.groups.size());
  for (const auto& group : scan.groups) groups.push_back(group->names);
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
  std::lock_guard<std::mutex> lock(g_inventoryMutex);
  Inventory& inventory = g_inventory;
  // What the inventory depends on, read before anything is built from it: a change from now on
  // shows at the next call.
  const std::uint64_t fontsVersion = platform::InstalledFontsVersion();
  const std::uint64_t forgotten = g_forgotten.load();
  const platform::CodePage codePage = platform::ResolveCodePage(platform::kAnsiCodePage);
  if (inventory.forgotten != forgotten || inventory.codePage != codePage) {
    // Fonts were installed, or names are compared in another code page: nothing is kept.
    inventory = Inventory{};
  }
  if (!inventory.enumerated || inventory.fontsVersion != fontsVersion) {
    // The font files' groups are kept: their folders tell whether they changed.
    inventory.names.clear();
    inventory.widened = false;
    platform::EnumerateInstalledFaceNames(&CollectInstalledFaceNames, &inventory.names);
    inventory.enumerated = true;
    inventory.fontsVersion = fontsVersion;
    inventory.forgotten = forgotten;
    inventory.codePage = codePage;
    Count(&InventoryStatistics::enumerations);
  }
  // Widening only adds names: when the enumeration already has them all, nothing is missing.
  if (AllInstalled(documentFonts, inventory.names)) return {};
  std::vector<std::string> roots = platform::SystemFontFolders();
  if (!inventory.scanned || inventory.roots != roots || !FoldersUnchanged(inventory.folders)) {
    FolderScan scan = ScanFolders(roots, codePage);
    inventory.roots = std::move(roots);
    inventory.folders = std::move(scan.folders);
    inventory.groups = std::move(scan.groups);
    inventory.scanned = true;
    inventory.widened = false;
  }
  if (!inventory.widened) {
    Widen(inventory);
    inventory.widened = true;
  }
  std::vector<std::string> missing;
  for (const std::string& name : documentFonts) {
    if (inventory.widenedNames.count(name) == 0) missing.push_back(name);
  }
  return missing;
}

void ForgetInstalledFonts() { g_forgotten.fetch_add(1); }

InventoryStatistics GetInventoryStatistics() {
  std::lock_guard<std::mutex> lock(g_statisticsMutex);
  return g_statistics;
}

void SetSettleTimeForTesting(std::int64_t nanoseconds) { g_settleTime.store(nanoseconds); }

}  // namespace corvid
