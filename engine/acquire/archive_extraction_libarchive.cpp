// Archive extraction through libarchive's reader; the files are written by this module, not by
// archive_write_disk, so that every path is checked against the destination folder first.

#include <archive.h>
#include <archive_entry.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "common/package_formats.h"
#include "engine/acquire/archive_extraction.h"
#include "engine/acquire/staging_file.h"
#include "engine/discovery/font_file_names.h"
#include "platform/filesystem.h"
#include "platform/text_codec.h"
#include "platform/thread_locale.h"

namespace corvid {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kBlockSize = 64 * 1024;

// How much one extraction may write. Font packages are large (CJK collections reach hundreds of
// megabytes) but font data compresses poorly: archives hold it at a third to a half of its size,
// bitmap fonts at a tenth or so. An archive that unpacks to more than twenty times its own size
// is a decompression bomb, not a font package (a megabyte of compressed zeros gives a gigabyte).
// Small archives may always give 64 MiB, and no archive more than 4 GiB.
constexpr std::uint64_t kMinBudget = std::uint64_t{64} << 20;
constexpr std::uint64_t kMaxExpansion = 20;
constexpr std::uint64_t kMaxBudget = std::uint64_t{4} << 30;

std::uint64_t WriteBudget(std::uint64_t archiveSize) {
  const std::uint64_t scaled =
      archiveSize > kMaxBudget / kMaxExpansion ? kMaxBudget : archiveSize * kMaxExpansion;
  return std::clamp(scaled, kMinBudget, kMaxBudget);
}
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

// Whether every folder on the way from `root` to `relative` (text in `codePage`; the last part
// excluded) is a plain folder, not a symbolic link nor a file. Missing folders are created.
bool PrepareParents(const fs::path& root, const std::string& relative,
                    platform::CodePage codePage) {
  fs::path current = root;
  std::vector<std::string_view> parts = SplitPath(relative);
  for (std::size_t i = 0; i + 1 < parts.size(); ++i) {
    current /= platform::PathFromText(parts[i], codePage);
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

// A member's name or link target as libarchive gives it, and the code page of its text.
struct EntryText {
  std::string text;
  platform::CodePage codePage = platform::kUtf8CodePage;
};

// The text of a UTF-16 wide string (wchar_t of Windows) in UTF-8; nothing where wchar_t holds
// UTF-32 (POSIX, whose libarchive gives UTF-8 itself).
std::optional<std::string> WideToUtf8(const wchar_t* wide) {
  if constexpr (sizeof(wchar_t) == sizeof(char16_t)) {
    if (wide == nullptr) return std::nullopt;
    return platform::WideToMultiByte(std::u16string_view(reinterpret_cast<const char16_t*>(wide)),
                                     platform::kUtf8CodePage);
  }
  return std::nullopt;
}

// The name in UTF-8 when libarchive can give it so; else through the wide text, which is all
// that libarchive keeps of a non-ASCII name on Windows (its UTF-8 there is missing, its narrow
// text in the C library's locale, which need not hold the name); else the narrow text as it is.
std::optional<EntryText> ChooseText(const char* utf8, const wchar_t* wide, const char* narrow) {
  if (utf8 != nullptr) return EntryText{utf8, platform::kUtf8CodePage};
  if (std::optional<std::string> fromWide = WideToUtf8(wide)) {
    return EntryText{std::move(*fromWide), platform::kUtf8CodePage};
  }
  if (narrow != nullptr) return EntryText{narrow, platform::kAnsiCodePage};
  return std::nullopt;
}

// libarchive converts lazily: only the getters that are asked for run.
std::optional<EntryText> EntryPath(archive_entry* entry) {
  if (const char* utf8 = archive_entry_pathname_utf8(entry)) return EntryText{utf8};
  return ChooseText(nullptr, archive_entry_pathname_w(entry), archive_entry_pathname(entry));
}

std::optional<EntryText> EntrySymlink(archive_entry* entry) {
  if (const char* utf8 = archive_entry_symlink_utf8(entry)) return EntryText{utf8};
  return ChooseText(nullptr, archive_entry_symlink_w(entry), archive_entry_symlink(entry));
}

std::optional<EntryText> EntryHardlink(archive_entry* entry) {
  if (const char* utf8 = archive_entry_hardlink_utf8(entry)) return EntryText{utf8};
  return ChooseText(nullptr, archive_entry_hardlink_w(entry), archive_entry_hardlink(entry));
}

// Opens the archive at `path` under its native name: wide on Windows, narrow on POSIX.
[[maybe_unused]] int OpenArchive(archive* reader, const wchar_t* path) {
  return archive_read_open_filename_w(reader, path, kBlockSize);
}
[[maybe_unused]] int OpenArchive(archive* reader, const char* path) {
  return archive_read_open_filename(reader, path, kBlockSize);
}

// Copies the file at `source` to `target` through a staging file in `folder`.
bool CopyInto(const fs::path& source, const fs::path& folder, const fs::path& target) {
  std::FILE* in = platform::OpenFileForReading(source);
  if (in == nullptr) return false;
  StagingFile staging;
  bool ok = staging.Open(folder) &&
            CopyStream(in, [&](const char* data, std::size_t n) { return staging.Write(data, n); });
  std::fclose(in);
  return ok && staging.Commit(target);
}

class Extractor {
 public:
  Extractor(archive* reader, fs::path destFolder, std::uint64_t budget)
      : reader_(reader), root_(std::move(destFolder)), budget_(budget) {}

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
        if (!PassOverData()) break;
      }
    }
    return summary_;
  }

 private:
  bool Extract(archive_entry* entry) {
    std::optional<EntryText> name = EntryPath(entry);
    if (!name || archive_entry_is_encrypted(entry)) return false;
    std::optional<std::string> relative = SafeMemberPath(name->text);
    if (!relative || !PrepareParents(root_, *relative, name->codePage)) return false;
    fs::path target = root_ / platform::PathFromText(*relative, name->codePage);

    if (std::optional<EntryText> hardlink = EntryHardlink(entry)) {
      return ExtractHardlink(*hardlink, target);
    }
    switch (archive_entry_filetype(entry)) {
      case AE_IFDIR:
        return ExtractFolder(target);
      case AE_IFLNK:
        return ExtractSymlink(*relative, EntrySymlink(entry), target);
      case AE_IFREG:
        return ExtractFile(entry, target);
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

  // A member whose data would pass what is left of the budget is dropped: at once when its
  // declared size says so (its data is then skipped, not unpacked), else when the bytes unpacked
  // reach the limit. Dropped data costs nothing of the budget.
  bool ExtractFile(archive_entry* entry, const fs::path& target) {
    if (TypeAt(target) == fs::file_type::directory) return false;
    const std::uint64_t left = budget_ - written_;
    if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > 0 &&
        static_cast<std::uint64_t>(archive_entry_size(entry)) > left) {
      ++summary_.tooLarge;
      return false;
    }
    StagingFile staging;
    if (!staging.Open(target.parent_path())) return false;
    std::uint64_t size = 0;
    while (true) {
      la_ssize_t n = ReadData();
      if (n == 0) break;
      if (n < 0) return false;
      size += static_cast<std::uint64_t>(n);
      if (size > left) {
        ++summary_.tooLarge;
        return false;
      }
      if (!staging.Write(block_.data(), static_cast<std::size_t>(n))) return false;
    }
    if (!staging.Commit(target)) return false;
    written_ += size;
    return true;
  }

  bool ExtractSymlink(const std::string& relative, const std::optional<EntryText>& linkTarget,
                      const fs::path& target) {
    if (!linkTarget || !IsSafeLinkTarget(relative, linkTarget->text)) return false;
    fs::file_type type = TypeAt(target);
    if (type == fs::file_type::directory) return false;
    std::error_code error;
    if (type != fs::file_type::not_found) fs::remove(target, error);
    fs::create_symlink(platform::PathFromText(linkTarget->text, linkTarget->codePage), target,
                       error);
    return !error;
  }

  bool ExtractHardlink(const EntryText& linkTarget, const fs::path& target) {
    std::optional<std::string> source = SafeMemberPath(linkTarget.text);
    if (!source || !PrepareParents(root_, *source, linkTarget.codePage)) return false;
    fs::path sourcePath = root_ / platform::PathFromText(*source, linkTarget.codePage);
    if (TypeAt(sourcePath) != fs::file_type::regular) return false;
    if (TypeAt(target) == fs::file_type::directory) return false;
    if (sourcePath == target) return true;
    // Each link is a copy: a thousand links to one large member must not write a thousand times.
    std::error_code error;
    const std::uintmax_t size = fs::file_size(sourcePath, error);
    if (error) return false;
    if (size > budget_ - written_) {
      ++summary_.tooLarge;
      return false;
    }
    if (!CopyInto(sourcePath, target.parent_path(), target)) {
      return false;
    }
    written_ += size;
    return true;
  }

  // The next block of the current member's data into block_; counts it as work.
  la_ssize_t ReadData() {
    la_ssize_t n = archive_read_data(reader_, block_.data(), block_.size());
    if (n > 0) unpacked_ += static_cast<std::uint64_t>(n);
    return n;
  }

  // After a member was left out: libarchive 3.6 loses its place in a solid 7-Zip stream when it
  // skips a large member itself (the next member then reads as truncated), so the rest of such a
  // member is unpacked and thrown away here. Other formats skip by themselves, cheaply where the
  // format allows. All unpacking together is bounded too, so a package of bombs cannot keep the
  // extraction busy: past the bound, nothing more is read. Returns false then.
  bool PassOverData() {
    if (archive_format(reader_) == ARCHIVE_FORMAT_7ZIP) {
      while (unpacked_ <= WorkLimit()) {
        if (ReadData() <= 0) break;
      }
    }
    return unpacked_ <= WorkLimit();
  }

  std::uint64_t WorkLimit() const { return 4 * budget_; }

  archive* reader_;
  fs::path root_;
  std::uint64_t budget_;
  std::uint64_t written_ = 0;   // bytes of the files committed so far
  std::uint64_t unpacked_ = 0;  // bytes of member data unpacked, kept or not
  std::vector<char> block_ = std::vector<char>(kBlockSize);
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
    relative.append(platform::MakeFileNamePart(part));
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
    const fs::path archiveFile = platform::PathFromText(archivePath, platform::kAnsiCodePage);
    const fs::path root = platform::PathFromText(destFolder, platform::kAnsiCodePage);
    if (!ReadFontFileNames(archivePath).empty()) {
      if (CopyInto(archiveFile, root, root / archiveFile.filename())) {
        ++summary.written;
      } else {
        ++summary.skipped;
      }
      return summary;
    }
    // On POSIX libarchive gives member names in the C library's narrow text and drops those it
    // cannot convert: under the plain C locale that would be every non-ASCII name. (On Windows
    // the names are taken in UTF-16, see EntryPath.)
    platform::ScopedNarrowTextLocale narrowText;
    std::unique_ptr<archive, ReaderDeleter> reader(archive_read_new());
    if (!reader) return summary;
    tessaro::EnablePackageFormats(reader.get());
    if (std::optional<std::string> charset = platform::LegacyNameCharset()) {
      // Formats without such names refuse the option; that changes nothing.
      archive_read_set_options(reader.get(), ("hdrcharset=" + *charset).c_str());
    }
    if (OpenArchive(reader.get(), archiveFile.c_str()) != ARCHIVE_OK) return summary;
    std::error_code error;
    const std::uintmax_t archiveSize = fs::file_size(archiveFile, error);
    return Extractor(reader.get(), root, WriteBudget(error ? 0 : archiveSize)).Run();
  } catch (...) {
    // Out of memory or a file-system error the checks above did not foresee: what was unpacked
    // so far stays, the rest is given up.
    return summary;
  }
}

}  // namespace corvid
