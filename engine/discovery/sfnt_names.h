// Turning the name-table entries of SFNT fonts (TrueType, OpenType) into narrow text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace corvid {

// One entry of a font's name table, as the font file stores it.
struct SfntName {
  std::uint16_t platformId = 0;
  std::uint16_t encodingId = 0;
  std::uint16_t languageId = 0;
  std::uint16_t nameId = 0;
  std::string_view bytes;
};

// The name IDs that identify a font: family, full name and PostScript name.
inline constexpr std::uint16_t kFamilyNameId = 1;
inline constexpr std::uint16_t kFullNameId = 4;
inline constexpr std::uint16_t kPostScriptNameId = 6;

// The code page in which an entry that is not Microsoft UTF-16 is decoded (after its zero bytes
// are removed); platform::kAnsiCodePage where the platform and encoding name no other.
platform::CodePage SfntNameCodePage(std::uint16_t platformId, std::uint16_t encodingId);

// The entry's text in the narrow code page `ansi`, at most 63 bytes, from at most 63 UTF-16
// units. Microsoft entries with encoding 1 or 10 are UTF-16 with the high byte first; every other
// entry loses its zero bytes and is decoded in SfntNameCodePage. Characters the narrow code page
// cannot represent become "?"; bytes of a code page this system cannot decode become U+FFFD
// (ASCII bytes stay readable).
std::string ConvertSfntName(const SfntName& entry, platform::CodePage ansi = platform::kAnsiCodePage);

}  // namespace corvid
