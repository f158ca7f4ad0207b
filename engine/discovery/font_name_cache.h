// A lasting record of what reading each font file gave, so that building the inventory opens with
// FreeType only the files that are new or changed since the last time.
//
// Each entry belongs to one file, found by its path, and holds the file's stamp (size,
// modification time, change time, identity) when it was read together with its FontFileContents.
// An entry is used only while the file's stamp is the same; a file written again within the file
// system's time resolution could keep its stamp, so a file changed less than `settleTime` before
// it was read is not recorded until it has been left alone that long. Entries of files that a
// scan no longer finds are dropped when the scan is saved.
//
// The record lives in one file (names are converted into one narrow code page, so each code page
// has its own file). It is replaced whole: written under a temporary name beside it and renamed
// over it, so that a reader, another process included, sees the old file or the new one, never a
// mixture; two processes saving at once leave one of their two complete files. The file is never
// trusted blindly: a missing, truncated, damaged, foreign or outdated file (another format
// version, reading revision, FreeType version or code page), or one that breaks any bound, is
// ignored as a whole and the record starts empty.
//
// File format, every integer little-endian and unsigned unless marked, no padding:
//   header (48 bytes): magic "TSRFNAME"; u32 format version; u32 kFontFileNamesRevision;
//     u32 FontLibraryVersion(); u32 code page; u64 entry count; u64 payload size in bytes;
//     u64 checksum of the payload (see Checksum in the source)
//   payload: the entries, in ascending byte order of their paths, each:
//     u32 path length, path bytes; u64 size; i64 modified; i64 changed; u64 id (two's
//     complement for the signed ones); u32 face count; u32 name count; then per name:
//     u8 flags (bit 0: a placeholder family name, the other bits 0), u32 length, name bytes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/discovery/font_file_names.h"
#include "platform/file_stamp.h"
#include "platform/text_codec.h"

namespace corvid {

// How long a file must have been left alone before what it gave is recorded: longer than the
// coarsest time resolution of common file systems (FAT keeps two seconds).
inline constexpr std::int64_t kFontNameCacheSettleTime = 3'000'000'000;  // nanoseconds

// Not thread-safe: one owner at a time.
class FontNameCache {
 public:
  // A record kept in `file` (narrow text; empty: kept in memory only) for names converted into
  // `codePage` (a code page number, never platform::kAnsiCodePage).
  FontNameCache(std::string file, platform::CodePage codePage,
                std::int64_t settleTime = kFontNameCacheSettleTime);

  // The file for names in `codePage` inside `folder`: "<folder>/font-names-<code page>.cache".
  static std::string FileFor(const std::string& folder, platform::CodePage codePage);

  // Reads the file, replacing what the record held. Returns false, leaving the record empty, when
  // the file is missing or cannot be trusted.
  bool Load();

  // Brings in what another process saved since this record last read or wrote the file: entries
  // of files this record has none for are taken over. When the file has vanished or can no
  // longer be trusted, the next Save writes it anew.
  void Refresh();

  // Starts a scan that lists every file under `folders` (full paths without a trailing
  // separator): entries of files under them that it neither finds nor stores from now until Save
  // are of vanished files, and Save drops them. Entries elsewhere (another font configuration's
  // folders) are kept.
  void BeginScan(std::vector<std::string> folders);

  // What reading `path` gave, if it was recorded with this same stamp; nullptr otherwise. The
  // contents are shared, never changed: they stay valid however the record changes.
  std::shared_ptr<const FontFileContents> Find(const std::string& path,
                                               const platform::FileStamp& stamp);

  // Records what reading `path` gave, `now` being the time of the reading on the file clock
  // (platform::FileClockNow, taken before the file was read). A file changed less than the settle
  // time before `now`, or one that breaks the format's bounds, is not recorded (an older entry of
  // it is dropped).
  void Store(const std::string& path, const platform::FileStamp& stamp,
             std::shared_ptr<const FontFileContents> contents, std::int64_t now);

  // Drops the entries the scan did not use, and writes the file when the record changed since it
  // was loaded or last saved. Creates the file's folder when missing. Returns false when the file
  // could not be written (the record is kept in memory all the same).
  bool Save();

  // The settle time for the entries stored from now on.
  void SetSettleTime(std::int64_t settleTime) { settleTime_ = settleTime; }

  const std::string& file() const { return file_; }
  platform::CodePage codePage() const { return codePage_; }
  std::size_t size() const { return entries_.size(); }

 private:
  struct Entry {
    platform::FileStamp stamp;
    std::shared_ptr<const FontFileContents> contents;
    std::uint64_t scan = 0;  // the last scan that used it
  };

  std::string file_;
  platform::CodePage codePage_;
  std::int64_t settleTime_;
  std::unordered_map<std::string, Entry> entries_;
  std::uint64_t scan_ = 0;
  std::vector<std::string> scanFolders_;
  bool dirty_ = false;  // the file does not hold what the record holds
  // The file's stamp when this record last read or wrote it; none: there was no file.
  std::optional<platform::FileStamp> fileStamp_;
};

}  // namespace corvid
