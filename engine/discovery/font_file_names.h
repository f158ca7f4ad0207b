// Reading the names a font file carries.
#pragma once

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

 private:
  struct Library;
  std::unique_ptr<Library> library_;
};

// The names of one font file, placeholder family names left out; empty when it is no font.
FontFileNames ReadFontFileNames(const std::string& path);

}  // namespace corvid
