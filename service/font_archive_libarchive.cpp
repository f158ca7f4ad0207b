// The font file of a package, read with libarchive in process.
#include "service/font_archive.h"

#include <fstream>
#include <memory>

#include <archive.h>
#include <archive_entry.h>

#include "service/catalog.h"

namespace tessaro::service {
namespace {

// A font package larger than this is not read for a preview.
constexpr la_int64_t kMaxFontSize = 64 << 20;

struct ArchiveCloser {
  void operator()(archive* a) const { archive_read_free(a); }
};

std::string ReadHead(const std::string& path, size_t count) {
  std::ifstream in(path, std::ios::binary);
  std::string head(count, '\0');
  in.read(head.data(), static_cast<std::streamsize>(count));
  head.resize(static_cast<size_t>(in.gcount()));
  return head;
}

std::optional<FontFile> ReadBareFont(const std::string& path, const std::string& mimeType) {
  std::optional<std::string> bytes = ReadFileBytes(path);
  if (!bytes) return std::nullopt;
  size_t slash = path.rfind('/');
  return FontFile{slash == std::string::npos ? path : path.substr(slash + 1), mimeType,
                  std::move(*bytes)};
}

// Reads the rest of the current entry after `bytes` already read; false on a read error.
bool ReadEntryData(archive* a, std::string& bytes) {
  char buffer[64 * 1024];
  while (true) {
    la_ssize_t n = archive_read_data(a, buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) return true;
    if (static_cast<la_int64_t>(bytes.size()) + n > kMaxFontSize) return false;
    bytes.append(buffer, static_cast<size_t>(n));
  }
}

}  // namespace

std::string FontMimeType(const std::string& firstBytes) {
  if (firstBytes.size() < 4) return {};
  const std::string tag = firstBytes.substr(0, 4);
  if (tag == std::string("\0\1\0\0", 4) || tag == "true") return "font/ttf";
  if (tag == "OTTO") return "font/otf";
  if (tag == "ttcf") return "font/collection";
  if (tag == "wOFF") return "font/woff";
  if (tag == "wOF2") return "font/woff2";
  return {};
}

std::optional<FontFile> FirstFontInPackage(const std::string& path) {
  if (std::string mime = FontMimeType(ReadHead(path, 4)); !mime.empty()) {
    return ReadBareFont(path, mime);
  }

  std::unique_ptr<archive, ArchiveCloser> a(archive_read_new());
  archive_read_support_filter_all(a.get());
  archive_read_support_format_all(a.get());
  if (archive_read_open_filename(a.get(), path.c_str(), 64 * 1024) != ARCHIVE_OK) {
    return std::nullopt;
  }
  archive_entry* entry = nullptr;
  while (archive_read_next_header(a.get(), &entry) == ARCHIVE_OK) {
    if (archive_entry_filetype(entry) != AE_IFREG) continue;
    std::string bytes;
    while (bytes.size() < 4) {
      char head[4];
      la_ssize_t n = archive_read_data(a.get(), head, 4 - bytes.size());
      if (n < 0) return std::nullopt;
      if (n == 0) break;
      bytes.append(head, static_cast<size_t>(n));
    }
    std::string mime = FontMimeType(bytes);
    if (mime.empty()) continue;  // the next header skips the rest of this entry
    if (!ReadEntryData(a.get(), bytes)) return std::nullopt;
    const char* name = archive_entry_pathname_utf8(entry);
    if (name == nullptr) name = archive_entry_pathname(entry);
    return FontFile{name != nullptr ? name : "", mime, std::move(bytes)};
  }
  return std::nullopt;
}

}  // namespace tessaro::service
