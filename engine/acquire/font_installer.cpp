#include "engine/acquire/font_installer.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>

#include "common/file_compare.h"
#include "common/file_lister.h"
#include "engine/acquire/staging_file.h"
#include "engine/discovery/font_file_names.h"
#include "engine/discovery/installed_fonts.h"
#include "platform/filesystem.h"
#include "platform/fonts.h"

namespace corvid {
namespace {

namespace fs = std::filesystem;

// Names tried for one font before it is given up: name.ttf, name-1.ttf, ... name-999.ttf.
constexpr int kMaxNameTries = 1000;

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text.remove_prefix(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i) {
    char c = text[i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

// Packages often carry a web page of the vendor beside the fonts; it has no place among them.
void DeleteWebPages(const std::string& folder) {
  std::vector<std::string> pages;
  platform::ListDirectory(folder, [&](const platform::DirectoryEntry& entry) {
    if (entry.kind == platform::EntryKind::kFile &&
        (EndsWithNoCase(entry.name, ".htm") || EndsWithNoCase(entry.name, ".html"))) {
      pages.push_back(platform::JoinPath(folder, entry.name));
    }
  });
  for (const std::string& page : pages) {
    std::error_code ignored;
    fs::remove(page, ignored);
  }
}

enum class CopyResult { kCopied, kExists, kFailed };

// Copies `source` to the new file `target`; a file already at `target` is left alone.
CopyResult CopyNew(const std::string& source, const std::string& target) {
  std::FILE* in = std::fopen(source.c_str(), "rb");
  if (in == nullptr) return CopyResult::kFailed;
  platform::NewFile created = platform::CreateNewFile(target);
  std::FILE* out = created.file;
  if (created.status != platform::NewFileStatus::kCreated) {
    std::fclose(in);
    return created.status == platform::NewFileStatus::kExists ? CopyResult::kExists
                                                              : CopyResult::kFailed;
  }
  bool ok = CopyStream(
      in, [&](const char* data, std::size_t n) { return std::fwrite(data, 1, n, out) == n; });
  std::fclose(in);
  if (std::fclose(out) != 0) ok = false;
  if (!ok) {
    std::error_code ignored;
    fs::remove(target, ignored);
    return CopyResult::kFailed;
  }
  return CopyResult::kCopied;
}

std::string CandidateName(const fs::path& name, int index) {
  if (index == 0) return name.string();
  return name.stem().string() + "-" + std::to_string(index) + name.extension().string();
}

// Puts `source` into `userFolder` under its own name or the first free variant of it. The
// result is the installed file and whether it was copied now; nothing when no copy succeeded.
std::optional<InstalledFont> Place(const std::string& source, const std::string& userFolder) {
  fs::path name = fs::path(source).filename();
  for (int index = 0; index < kMaxNameTries; ++index) {
    std::string target = platform::JoinPath(userFolder, CandidateName(name, index));
    std::error_code error;
    fs::file_status status = fs::symlink_status(target, error);
    if (status.type() == fs::file_type::not_found) {
      switch (CopyNew(source, target)) {
        case CopyResult::kCopied:
          return InstalledFont{source, target, true, {}};
        case CopyResult::kExists:
          break;  // another installer was quicker: look at what it put there
        case CopyResult::kFailed:
          return std::nullopt;
      }
    }
    if (fs::is_regular_file(target, error) && tessaro::SameFileBytes(source, target)) {
      return InstalledFont{source, target, false, {}};
    }
  }
  return std::nullopt;
}

bool MakeFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code error;
  fs::create_directories(folder, error);
  return fs::is_directory(folder, error);
}

}  // namespace

InstallReport InstallFontFolder(const std::string& fontFolder, const std::string& userFolder) {
  InstallReport report;
  try {
    DeleteWebPages(fontFolder);
    std::vector<std::string> files;
    tessaro::CollectFiles(fontFolder, files);

    std::optional<bool> folderReady;  // the user folder is created for the first font only
    bool anyCopied = false;
    FontFileReader reader;
    for (const std::string& file : files) {
      FontFileNames names = reader.Read(file, PlaceholderFamilies::kSkip);
      if (names.empty()) {
        report.skipped.push_back(file);
        continue;
      }
      if (!folderReady) folderReady = MakeFolder(userFolder);
      std::optional<InstalledFont> placed;
      if (*folderReady) placed = Place(file, userFolder);
      if (!placed || !platform::RegisterInstalledFont(placed->target, names.front())) {
        report.failed.push_back(file);
        if (placed && placed->copied) anyCopied = true;
        continue;
      }
      placed->faceName = names.front();
      anyCopied = anyCopied || placed->copied;
      report.fonts.push_back(std::move(*placed));
    }
    if (anyCopied) platform::AnnounceFontChange(userFolder);
    // The fonts count for the next inventory of this process at once.
    if (anyCopied || !report.fonts.empty()) ForgetInstalledFonts();
  } catch (...) {
    // Out of memory: what was installed so far stays installed.
  }
  return report;
}

InstallReport InstallFontFolder(const std::string& fontFolder) {
  return InstallFontFolder(fontFolder, platform::FontInstallFolder());
}

}  // namespace corvid
