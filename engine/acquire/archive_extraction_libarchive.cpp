// Archive extraction through libarchive's reader; the files are written by this module, not by
// archive_write_disk, so that every path is checked against the destination folder first.

#include "engine/acquire/archive_extraction.h"

#include <archive.h>
#include <archive_entry.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "common/package_formats.h"
#include "engine/acquire/staging_file.h"
#include "engine/discovery/font_file_names.h"
#include "platform/filesystem.h"
#include "platform/thread_locale.h"

namespace corvid {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBlockSize = 64 * 1024;
// libarchive may report a damaged header again and again; give up after this many in a row.
constexpr int kMaxHeaderFailures = 16;

std::vector<std::string_view> SplitPath(std::string_view path) {
  std::vector<std::string_view> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/' || path[i] == '\\') {
      if (i > start) parts.push_back(path.substr(start, i - start));
      start = i + 1;
    }
  }
  return parts;
}

bool IsAbsoluteName(std::string_view name) {
  if (name.empty()) return false;
  if (name[0] == '/' || name[0] == '\\') return true;
  // A drive prefix such as C: (the first part ending in a colon) counts as absolute too.
  std::vector<std::string_view> parts = SplitPath(name);
  return !parts.empty() && parts.front().back() == ':';
}

// Whether any folder on the way from `root` to `relative` (the last part excluded) is not a
// plain folder: a symbolic link, or a file. Missing folders are created.
bool PrepareParents(const fs::path& root, const std::string& relative) {
  fs::path current = root;
  std::vector<std::string_view> parts = SplitPath(relative);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    current /= fs::path(std::string(parts[i]));
    std::error_code error;
    fs::file_status status = fs::symlink_status(current, error);
    if (status.type() == fs::file_type::not_found) {
      if (!fs::create_directory(current, error) && error) return false;
    } else if (status.type() != fs::file_type::directory) {
      return false;
    }
  }
  return true;
}

fs::file_type TypeAt(const fs::path& path) {
  std::error_code error;
  return fs::symlink_status(path, error).type();
}

const char* EntryPath(archive_entry* entry) {
  const char* name = archive_entry_pathname(entry);
  return name != nullptr ? name : archive_entry_pathname_utf8(entry);
}

const char* EntrySymlink(archive_entry* entry) {
  const char* target = archive_entry_symlink(entry);
  return target != nullptr ? target : archive_entry_symlink_utf8(entry);
}

const char* EntryHardlink(archive_entry* entry) {
  const char* target = archive_entry_hardlink(entry);
  return target != nullptr ? target : archive_entry_hardlink_utf8(entry);
}

// Copies the file at `source` to `target` through a staging file in `folder`.
bool CopyInto(const std::string& source, const std::string& folder, const std::string& target) {
  std::FILE* in = std::fopen(source.c_str(), "rb");
  if (in == nullptr) return false;
  StagingFile staging;
  bool ok = staging.Open(folder) &&
            CopyStream(in, [&](const char* data, std::size_t n) { return staging.Write(data, n); });
  std::fclose(in);
  return ok && staging.Commit(target);
}

class Extractor {
 public:
  Extractor(archive* reader, const std::string& destFolder)
      : reader_(reader), root_(destFolder) {}

  ExtractionSummary Run() {
    int failures = 0;
    while (true) {
      archive_entry* entry = nullptr;
      int status = archive_read_next_header(reader_, &entry);
      if (status == ARCHIVE_EOF || status == ARCHIVE_FATAL) break;
      if (status == ARCHIVE_RETRY || status == ARCHIVE_FAILED) {
        ++summary_.skipped;
        if (++failures >= kMaxHeaderFailures) break;
        continue;
      }
      failures = 0;
      if (Extract(entry)) {
        ++summary_.written;
      } else {
        ++summary_.skipped;
      }
    }
    return summary_;
  }

 private:
  bool Extract(archive_entry* entry) {
    const char* name = EntryPath(entry);
    if (name == nullptr || archive_entry_is_encrypted(entry)) return false;
    std::optional<std::string> relative = SafeMemberPath(name);
    if (!relative || !PrepareParents(root_, *relative)) return false;
    fs::path target = root_ / fs::path(*relative);

    if (const char* hardlink = EntryHardlink(entry)) return ExtractHardlink(hardlink, target);
    switch (archive_entry_filetype(entry)) {
      case AE_IFDIR:
        return ExtractFolder(target);
      case AE_IFLNK:
        return ExtractSymlink(*relative, EntrySymlink(entry), target);
      case AE_IFREG:
        return ExtractFile(target);
      default:
        return false;  // devices, pipes, sockets: nothing a font package needs
    }
  }

  bool ExtractFolder(const fs::path& target) {
    fs::file_type type = TypeAt(target);
    if (type == fs::file_type::directory) return true;
    if (type != fs::file_type::not_found) return false;
    std::error_code error;
    return fs::create_directory(target, error);
  }

  bool ExtractFile(const fs::path& target) {
    if (TypeAt(target) == fs::file_type::directory) return false;
    StagingFile staging;
    if (!staging.Open(target.parent_path().string())) return false;
    std::vector<char> block(kBlockSize);
    while (true) {
      la_ssize_t n = archive_read_data(reader_, block.data(), block.size());
      if (n == 0) break;
      if (n < 0 || !staging.Write(block.data(), static_cast<std::size_t>(n))) return false;
    }
    return staging.Commit(target.string());
  }

  bool ExtractSymlink(const std::string& relative, const char* linkTarget,
                      const fs::path& target) {
    if (linkTarget == nullptr || !IsSafeLinkTarget(relative, linkTarget)) return false;
    fs::file_type type = TypeAt(target);
    if (type == fs::file_type::directory) return false;
    std::error_code error;
    if (type != fs::file_type::not_found) fs::remove(target, error);
    fs::create_symlink(fs::path(linkTarget), target, error);
    return !error;
  }

  bool ExtractHardlink(const char* linkTarget, const fs::path& target) {
    std::optional<std::string> source = SafeMemberPath(linkTarget);
    if (!source || !PrepareParents(root_, *source)) return false;
    fs::path sourcePath = root_ / fs::path(*source);
    if (TypeAt(sourcePath) != fs::file_type::regular) return false;
    if (TypeAt(target) == fs::file_type::directory) return false;
    if (sourcePath == target) return true;
    return CopyInto(sourcePath.string(), target.parent_path().string(), target.string());
  }

  archive* reader_;
  fs::path root_;
  ExtractionSummary summary_;
};

struct ReaderDeleter {
  void operator()(archive* reader) const { archive_read_free(reader); }
};

}  // namespace

std::optional<std::string> SafeMemberPath(std::string_view memberName) {
  if (IsAbsoluteName(memberName)) return std::nullopt;
  std::string relative;
  for (std::string_view part : SplitPath(memberName)) {
    if (part == ".") continue;
    if (part == "..") return std::nullopt;
    if (!relative.empty()) relative.push_back(platform::kPathSeparator);
    relative.append(part);
  }
  if (relative.empty()) return std::nullopt;
  return relative;
}

bool IsSafeLinkTarget(std::string_view linkPath, std::string_view target) {
  if (target.empty() || IsAbsoluteName(target)) return false;
  // The link's own folder lies this many levels below the destination.
  std::size_t depth = SplitPath(linkPath).size();
  depth = depth == 0 ? 0 : depth - 1;
  bool descending = false;  // a name part has been passed
  std::size_t climbed = 0;
  for (std::string_view part : SplitPath(target)) {
    if (part == ".") continue;
    if (part == "..") {
      // A ".." after a name could undo a link met on the way: it is not followed.
      if (descending || ++climbed > depth) return false;
    } else {
      descending = true;
    }
  }
  return true;
}

ExtractionSummary ExtractArchive(const std::string& archivePath, const std::string& destFolder) {
  ExtractionSummary summary;
  try {
    if (!ReadFontFileNames(archivePath).empty()) {
      std::string name = fs::path(archivePath).filename().string();
      std::string target = destFolder + platform::kPathSeparator + name;
      if (CopyInto(archivePath, destFolder, target)) {
        ++summary.written;
      } else {
        ++summary.skipped;
      }
      return summary;
    }
    // libarchive gives member names in the C library's narrow text and drops those it cannot
    // convert: under the plain C locale that would be every non-ASCII name.
    platform::ScopedNarrowTextLocale narrowText;
    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    if (!reader) return summary;
    tessaro::EnablePackageFormats(reader.get());
    if (archive_read_open_filename(reader.get(), archivePath.c_str(), kBlockSize) != ARCHIVE_OK) {
      return summary;
    }
    return Extractor(reader.get(), destFolder).Run();
  } catch (...) {
    // Out of memory or a file-system error the checks above did not foresee: what was unpacked
    // so far stays, the rest is given up.
    return summary;
  }
}

}  // namespace corvid
