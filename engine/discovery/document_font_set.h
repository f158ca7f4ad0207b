// The set of font names collected from one document.
#pragma once

#include <cstddef>
#include <set>
#include <string>
#include <string_view>

namespace corvid {

// Font names as raw bytes, each once, ordered byte by byte as unsigned values with a prefix
// before the longer name (std::string's order). Names are never normalised: case, spaces and
// empty names are kept as found.
using DocumentFontSet = std::set<std::string>;

// The longest name the scans keep: each name is assembled in a 260-byte buffer.
inline constexpr std::size_t kMaxScannedNameBytes = 259;

// Inserts `bytes` as a name: up to its first NUL byte and cut to `maxBytes`.
inline void InsertName(DocumentFontSet& set, std::string_view bytes,
                       std::size_t maxBytes = kMaxScannedNameBytes) {
  std::size_t nul = bytes.find('\0');
  if (nul != std::string_view::npos) bytes = bytes.substr(0, nul);
  if (bytes.size() > maxBytes) bytes = bytes.substr(0, maxBytes);
  set.emplace(bytes);
}

}  // namespace corvid
