// The font file that the preview page shows, taken out of a catalogued font package.
#pragma once

#include <optional>
#include <string>

namespace tessaro::service {

struct FontFile {
  std::string name;      // its name inside the package (UTF-8 as the package stores it)
  std::string mimeType;  // "font/ttf", "font/otf", "font/collection", "font/woff", "font/woff2"
  std::string bytes;
};

// The first font file in the package at `path`: the first entry, in archive order, whose content
// starts with an sfnt, TrueType collection or WOFF tag, whatever its name. Any archive format and
// compression that libarchive reads will do (ZIP, RAR, 7z, tar.gz, ...); a package that is itself
// a bare font file is its own first font. Returns nullopt when the file cannot be read, is not an
// archive or holds no font file. Reads in process, writes nothing to disk. Thread-safe.
std::optional<FontFile> FirstFontInPackage(const std::string& path);

// The MIME type for a file with these first bytes, or empty when they are not a font's.
std::string FontMimeType(const std::string& firstBytes);

}  // namespace tessaro::service
