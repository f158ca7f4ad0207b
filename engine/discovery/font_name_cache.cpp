#include "engine/discovery/font_name_cache.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "engine/acquire/staging_file.h"
#include "platform/file_view.h"
#include "platform/filesystem.h"

namespace corvid {
namespace {

constexpr char kMagic[8] = {'T', 'S', 'R', 'F', 'N', 'A', 'M', 'E'};
// Raised whenever the layout of the file changes.
constexpr std::uint32_t kFormatVersion = 1;
constexpr std::size_t kHeaderSize = 48;

// Bounds that every file must keep; a file that breaks one is not read at all.
constexpr std::uint64_t kMaxFileSize = 256u << 20;
constexpr std::uint32_t kMaxPathBytes = 1u << 16;
constexpr std::uint32_t kMaxNameBytes = 1u << 16;
constexpr std::uint32_t kMaxNamesPerFile = 1u << 20;
// The smallest entry: an empty path, the stamp, the counts and no name.
constexpr std::uint64_t kMinEntrySize = 4 + 8 * 4 + 4 + 4;
constexpr std::uint8_t kPlaceholderFlag = 1;

// A 64-bit checksum of the payload, over 8-byte little-endian words, strong enough to catch a
// damaged or cut file (not meant to withstand deliberate forgery, which needs write access to the
// user's own cache folder).
std::uint64_t Checksum(const unsigned char* data, std::size_t size) {
  constexpr std::uint64_t kMultiplier = 0x9FB21C651E98DF25ULL;
  std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ size;
  auto mix = [&](std::uint64_t word) {
    hash ^= word;
    hash *= kMultiplier;
    hash ^= hash >> 29;
  };
  std::size_t i = 0;
  for (; i + 8 <= size; i += 8) {
    std::uint64_t word = 0;
    for (int b = 7; b >= 0; --b) word = (word << 8) | data[i + b];
    mix(word);
  }
  std::uint64_t tail = 0;
  for (std::size_t b = size; b > i; --b) tail = (tail << 8) | data[b - 1];
  mix(tail ^ (static_cast<std::uint64_t>(size - i) << 56));
  hash ^= hash >> 32;
  hash *= kMultiplier;
  return hash ^ (hash >> 29);
}

class Writer {
 public:
  void Bytes(std::string_view bytes) { out_.append(bytes); }
  void U8(std::uint8_t value) { out_.push_back(static_cast<char>(value)); }
  void U32(std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
  void U64(std::uint64_t value) {
    for (int i = 0; i < 8; ++i) out_.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
  }
  void I64(std::int64_t value) { U64(static_cast<std::uint64_t>(value)); }
  void Text(std::string_view text) {
    U32(static_cast<std::uint32_t>(text.size()));
    Bytes(text);
  }
  std::string& data() { return out_; }

 private:
  std::string out_;
};

// Reads what Writer wrote; every read checks the bytes left and fails for good once one fails.
class Reader {
 public:
  Reader(const unsigned char* data, std::size_t size) : data_(data), left_(size) {}

  bool ok() const { return ok_; }
  std::size_t left() const { return left_; }

  std::optional<std::string_view> Bytes(std::size_t count) {
    if (!ok_ || count > left_) return Fail<std::string_view>();
    std::string_view bytes(reinterpret_cast<const char*>(data_), count);
    data_ += count;
    left_ -= count;
    return bytes;
  }
  std::optional<std::uint8_t> U8() {
    auto bytes = Bytes(1);
    if (!bytes) return std::nullopt;
    return static_cast<std::uint8_t>((*bytes)[0]);
  }
  std::optional<std::uint32_t> U32() {
    auto value = Unsigned(4);
    if (!value) return std::nullopt;
    return static_cast<std::uint32_t>(*value);
  }
  std::optional<std::uint64_t> U64() { return Unsigned(8); }
  std::optional<std::int64_t> I64() {
    auto value = Unsigned(8);
    if (!value) return std::nullopt;
    return static_cast<std::int64_t>(*value);
  }
  // A length-prefixed text of at most `maxBytes` bytes.
  std::optional<std::string_view> Text(std::uint32_t maxBytes) {
    auto length = U32();
    if (!length || *length > maxBytes) return Fail<std::string_view>();
    return Bytes(*length);
  }

 private:
  template <typename T>
  std::optional<T> Fail() {
    ok_ = false;
    return std::nullopt;
  }
  std::optional<std::uint64_t> Unsigned(int size) {
    auto bytes = Bytes(static_cast<std::size_t>(size));
    if (!bytes) return std::nullopt;
    std::uint64_t value = 0;
    for (int i = size - 1; i >= 0; --i)
      value = (value << 8) | static_cast<unsigned char>((*bytes)[i]);
    return value;
  }

  const unsigned char* data_;
  std::size_t left_;
  bool ok_ = true;
};

// Whether `contents` can be written within the format's bounds (and read back the same).
bool Recordable(const std::string& path, const FontFileContents& contents) {
  if (path.empty() || path.size() > kMaxPathBytes) return false;
  if (contents.names.size() > kMaxNamesPerFile) return false;
  for (const std::string& name : contents.names) {
    if (name.size() > kMaxNameBytes) return false;
  }
  std::uint32_t previous = 0;
  for (std::size_t i = 0; i < contents.placeholders.size(); ++i) {
    std::uint32_t index = contents.placeholders[i];
    if (index >= contents.names.size() || (i > 0 && index <= previous)) return false;
    previous = index;
  }
  return true;
}

bool Settled(const platform::FileStamp& stamp, std::int64_t now, std::int64_t settleTime) {
  return stamp.modified <= now - settleTime && stamp.changed <= now - settleTime;
}

}  // namespace

FontNameCache::FontNameCache(std::string file, platform::CodePage codePage, std::int64_t settleTime)
    : file_(std::move(file)), codePage_(codePage), settleTime_(settleTime) {}

std::string FontNameCache::FileFor(const std::string& folder, platform::CodePage codePage) {
  return folder + platform::kPathSeparator + "font-names-" + std::to_string(codePage) + ".cache";
}

bool FontNameCache::Load() {
  entries_.clear();
  dirty_ = true;  // until the file is known to hold what the record holds
  fileStamp_.reset();
  if (file_.empty()) return false;
  // Taken first: should the file be replaced while it is read, the next Refresh reads it again.
  fileStamp_ = platform::StampFile(file_);
  std::optional<platform::FileView> view = platform::FileView::Open(file_);
  if (!view || view->size() < kHeaderSize || view->size() > kMaxFileSize) return false;

  Reader header(view->data(), kHeaderSize);
  auto magic = header.Bytes(sizeof kMagic);
  auto format = header.U32();
  auto revision = header.U32();
  auto library = header.U32();
  auto codePage = header.U32();
  auto count = header.U64();
  auto payloadSize = header.U64();
  auto checksum = header.U64();
  if (!header.ok() || std::memcmp(magic->data(), kMagic, sizeof kMagic) != 0 ||
      *format != kFormatVersion || *revision != kFontFileNamesRevision ||
      *library != FontLibraryVersion() || *codePage != codePage_ ||
      *payloadSize != view->size() - kHeaderSize || *count > *payloadSize / kMinEntrySize) {
    return false;
  }
  const unsigned char* payload = view->data() + kHeaderSize;
  if (Checksum(payload, static_cast<std::size_t>(*payloadSize)) != *checksum) return false;

  std::unordered_map<std::string, Entry> entries;
  entries.reserve(static_cast<std::size_t>(*count));
  Reader in(payload, static_cast<std::size_t>(*payloadSize));
  std::string_view previousPath;
  for (std::uint64_t i = 0; i < *count; ++i) {
    auto path = in.Text(kMaxPathBytes);
    auto size = in.U64();
    auto modified = in.I64();
    auto changed = in.I64();
    auto id = in.U64();
    auto faceCount = in.U32();
    auto nameCount = in.U32();
    // Paths strictly ascending: no entry twice. Each name takes at least 5 bytes.
    if (!in.ok() || path->empty() || (i > 0 && *path <= previousPath) ||
        *nameCount > kMaxNamesPerFile || *nameCount > in.left() / 5) {
      return false;
    }
    previousPath = *path;
    auto contents = std::make_shared<FontFileContents>();
    contents->faceCount = *faceCount;
    contents->names.reserve(*nameCount);
    for (std::uint32_t n = 0; n < *nameCount; ++n) {
      auto flags = in.U8();
      auto name = in.Text(kMaxNameBytes);
      if (!in.ok() || (*flags & ~kPlaceholderFlag) != 0) return false;
      if (*flags & kPlaceholderFlag) contents->placeholders.push_back(n);
      contents->names.emplace_back(*name);
    }
    // A file without a face has no names.
    if (contents->faceCount == 0 && !contents->names.empty()) return false;
    Entry& entry = entries[std::string(*path)];
    entry.stamp = platform::FileStamp{*size, *modified, *changed, *id};
    entry.contents = std::move(contents);
  }
  if (in.left() != 0) return false;
  entries_ = std::move(entries);
  dirty_ = false;
  return true;
}

void FontNameCache::Refresh() {
  if (file_.empty()) return;
  std::optional<platform::FileStamp> stamp = platform::StampFile(file_);
  if (stamp == fileStamp_) return;
  FontNameCache saved(file_, codePage_, settleTime_);
  if (!saved.Load()) {
    fileStamp_ = stamp;
    dirty_ = true;
    return;
  }
  bool same = saved.entries_.size() == entries_.size();
  for (auto& [path, entry] : saved.entries_) {
    auto [mine, added] = entries_.try_emplace(path, std::move(entry));
    if (!added) same = same && mine->second.stamp == entry.stamp;
  }
  fileStamp_ = saved.fileStamp_;
  dirty_ = dirty_ || !same;
}

void FontNameCache::BeginScan(std::vector<std::string> folders) {
  ++scan_;
  scanFolders_ = std::move(folders);
}

std::shared_ptr<const FontFileContents> FontNameCache::Find(const std::string& path,
                                                            const platform::FileStamp& stamp) {
  auto found = entries_.find(path);
  if (found == entries_.end() || !(found->second.stamp == stamp)) return nullptr;
  found->second.scan = scan_;
  return found->second.contents;
}

void FontNameCache::Store(const std::string& path, const platform::FileStamp& stamp,
                          std::shared_ptr<const FontFileContents> contents, std::int64_t now) {
  if (contents == nullptr || !Settled(stamp, now, settleTime_) || !Recordable(path, *contents)) {
    if (entries_.erase(path) != 0) dirty_ = true;
    return;
  }
  Entry& entry = entries_[path];
  entry.stamp = stamp;
  entry.contents = std::move(contents);
  entry.scan = scan_;
  dirty_ = true;
}

bool FontNameCache::Save() {
  auto scanned = [&](const std::string& path) {
    return std::any_of(scanFolders_.begin(), scanFolders_.end(), [&](const std::string& folder) {
      return path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
             path[folder.size()] == platform::kPathSeparator;
    });
  };
  for (auto it = entries_.begin(); it != entries_.end();) {
    if (it->second.scan != scan_ && scanned(it->first)) {
      it = entries_.erase(it);
      dirty_ = true;
    } else {
      ++it;
    }
  }
  if (!dirty_ || file_.empty()) return !dirty_;
  std::error_code error;
  if (entries_.empty() && !std::filesystem::exists(file_, error) && !error) {
    dirty_ = false;  // nothing to keep: no file is made for it
    fileStamp_.reset();
    return true;
  }

  std::vector<const std::pair<const std::string, Entry>*> sorted;
  sorted.reserve(entries_.size());
  for (const auto& entry : entries_) sorted.push_back(&entry);
  std::sort(sorted.begin(), sorted.end(),
            [](const auto* a, const auto* b) { return a->first < b->first; });

  Writer payload;
  for (const auto* item : sorted) {
    const Entry& entry = item->second;
    payload.Text(item->first);
    payload.U64(entry.stamp.size);
    payload.I64(entry.stamp.modified);
    payload.I64(entry.stamp.changed);
    payload.U64(entry.stamp.id);
    const FontFileContents& contents = *entry.contents;
    payload.U32(contents.faceCount);
    payload.U32(static_cast<std::uint32_t>(contents.names.size()));
    std::size_t next = 0;
    for (std::size_t n = 0; n < contents.names.size(); ++n) {
      bool placeholder = next < contents.placeholders.size() && contents.placeholders[next] == n;
      if (placeholder) ++next;
      payload.U8(placeholder ? kPlaceholderFlag : 0);
      payload.Text(contents.names[n]);
    }
  }
  if (payload.data().size() > kMaxFileSize - kHeaderSize) return false;

  Writer header;
  header.Bytes(std::string_view(kMagic, sizeof kMagic));
  header.U32(kFormatVersion);
  header.U32(kFontFileNamesRevision);
  header.U32(FontLibraryVersion());
  header.U32(codePage_);
  header.U64(sorted.size());
  header.U64(payload.data().size());
  header.U64(Checksum(reinterpret_cast<const unsigned char*>(payload.data().data()),
                      payload.data().size()));

  std::string folder = std::filesystem::path(file_).parent_path().string();
  std::filesystem::create_directories(folder, error);
  StagingFile staging;
  if (!staging.Open(folder) || !staging.Write(header.data().data(), header.data().size()) ||
      !staging.Write(payload.data().data(), payload.data().size()) || !staging.Commit(file_)) {
    return false;
  }
  fileStamp_ = platform::StampFile(file_);
  dirty_ = false;
  return true;
}

}  // namespace corvid
