// Reading the names a font file carries.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace corvid {

// The names of one font file, in order, duplicates allowed: for each face, its family name as
// FreeType reports it, then (for SFNT faces) every family, full and PostScript name-table entry
// of every platform and language, in name-table order, in the narrow code page.
using FontFileNames = std::vector<std::string>;

enum class PlaceholderFamilies {
  kKeep,  // keep every family name FreeType reports, empty and "?????" included
  kSkip,  // leave out empty family names and the placeholder "?????"
};

// Everything one reading of a font file gives, from which its names follow for either choice of
// PlaceholderFamilies.
struct FontFileContents {
  std::uint32_t faceCount = 0;  // the faces the file holds; 0 when it cannot be read as a font
  FontFileNames names;          // every name, placeholder family names kept
  // The indexes into `names` of the placeholder family names, ascending.
  std::vector<std::uint32_t> placeholders;

  bool operator==(const FontFileContents&) const = default;

  // The names with or without the placeholder family names.
  FontFileNames Names(PlaceholderFamilies families) const;
};

// Raised whenever the names a reading yields change for the same file (new rules of which names
// are taken or how they are converted): what was kept from older readings is then discarded.
inline constexpr std::uint32_t kFontFileNamesRevision = 1;

// The version of the font library that reads the files, major * 10000 + minor * 100 + patch; a
// new version may report names differently. 0 when the library cannot be started. Thread-safe.
std::uint32_t FontLibraryVersion();

// Reads many font files with one FreeType instance. Not thread-safe; one reader per thread.
class FontFileReader {
 public:
  FontFileReader();
  ~FontFileReader();
  FontFileReader(const FontFileReader&) = delete;
  FontFileReader& operator=(const FontFileReader&) = delete;

  // The names of the file at `path`; empty when FreeType cannot open it as a font. Faces that
  // fail to open are skipped.
  FontFileNames Read(const std::string& path, PlaceholderFamilies families);

  // The same reading, with what is needed for either choice of PlaceholderFamilies.
  FontFileContents ReadContents(const std::string& path);

 private:
  struct Library;
  std::unique_ptr<Library> library_;
};

// The names of one font file, placeholder family names left out; empty when it is no font.
FontFileNames ReadFontFileNames(const std::string& path);

}  // namespace corvid
