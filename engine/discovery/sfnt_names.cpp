#include "engine/discovery/sfnt_names.h"

#include <optional>

namespace corvid {
namespace {

constexpr platform::CodePage ANSI = platform::kAnsiCodePage;

// A converted name passes through a 64-unit and then a 64-byte buffer.
constexpr std::size_t kMaxNameUnits = 63;
constexpr std::size_t kMaxNameBytes = 63;

// Macintosh encodings 0 to 35 (script codes).
constexpr platform::CodePage kMacintoshCodePages[36] = {
    10000, 10001, 10002, 10003, 10004, 10005, 10006, 10007, 20127, 57002,  // 0-9
    ANSI,  57010, 57007, 57003, 57004, 57005, 57008, 57009, ANSI,  ANSI,   // 10-19
    ANSI,  10021, ANSI,  ANSI,  ANSI,  ANSI,  10008, ANSI,  ANSI,  ANSI,   // 20-29
    ANSI,  1258,  ANSI,  ANSI,  20127, ANSI,                               // 30-35
};

}  // namespace

platform::CodePage SfntNameCodePage(std::uint16_t platformId, std::uint16_t encodingId) {
  switch (platformId) {
    case 0: {  // Unicode
      constexpr platform::CodePage kUnicode[5] = {65001, 65001, 1200, 65001, 10000};
      return encodingId < 5 ? kUnicode[encodingId] : ANSI;
    }
    case 1:  // Macintosh
      return encodingId < 36 ? kMacintoshCodePages[encodingId] : ANSI;
    case 3: {  // Microsoft; encodings 1 and 10 are UTF-16 and never decoded through a code page
      constexpr platform::CodePage kMicrosoft[7] = {20127, ANSI, 932, 936, 950, 20949, 1361};
      return encodingId < 7 ? kMicrosoft[encodingId] : ANSI;
    }
    default:
      return ANSI;
  }
}

std::string ConvertSfntName(const SfntName& entry, platform::CodePage ansi) {
  std::u16string wide;
  if (entry.platformId == 3 && (entry.encodingId == 1 || entry.encodingId == 10)) {
    std::size_t units = entry.bytes.size() / 2;
    for (std::size_t i = 0; i < units; ++i) {
      wide.push_back(static_cast<char16_t>((static_cast<unsigned char>(entry.bytes[2 * i]) << 8) |
                                           static_cast<unsigned char>(entry.bytes[2 * i + 1])));
    }
    if (wide.size() > kMaxNameUnits) {
      std::size_t keep = kMaxNameUnits;
      if (wide[keep - 1] >= 0xD800 && wide[keep - 1] <= 0xDBFF) --keep;  // no half pair
      wide.resize(keep);
    }
  } else {
    std::string bytes;
    for (char c : entry.bytes) {
      if (c != '\0') bytes.push_back(c);
    }
    platform::CodePage codePage = SfntNameCodePage(entry.platformId, entry.encodingId);
    if (codePage == ANSI) codePage = ansi;
    std::optional<std::u16string> decoded = platform::MultiByteToWide(bytes, codePage, kMaxNameUnits);
    if (!decoded) {
      decoded.emplace();
      for (char c : bytes) {
        if (decoded->size() == kMaxNameUnits) break;
        unsigned char b = static_cast<unsigned char>(c);
        decoded->push_back(b < 0x80 ? b : 0xFFFD);
      }
    }
    wide = std::move(*decoded);
  }
  std::size_t nul = wide.find(u'\0');
  if (nul != std::u16string::npos) wide.resize(nul);
  return platform::WideToMultiByte(wide, ansi, kMaxNameBytes).value_or(std::string());
}

}  // namespace corvid
