#include "engine/discovery/cdr_fonts.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "engine/discovery/zlib_inflate.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

constexpr std::string_view kChunkTag = "cmpr";
constexpr std::string_view kRecordTag = "font";
constexpr std::uint64_t kChunkDataOffset = 28;
constexpr std::ptrdiff_t kNameOffset = 26;

std::uint32_t ReadLe32(const Byte* at) {
  return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 |
         std::uint32_t{at[3]} << 24;
}

enum class NameWidth { kUndecided, kNarrow, kWide };

NameWidth DecideNameWidth(const Byte* name, const Byte* end, int version) {
  // Records written one after another: the name, its NUL, zero padding, then the next tag.
  const Byte* nul = static_cast<const Byte*>(std::memchr(name, 0, end - name));
  if (nul != nullptr) {
    const Byte* next = nul;
    while (next < end && *next == 0) ++next;
    if (MatchesAt(next, end, kRecordTag)) return NameWidth::kNarrow;
  }
  // Records with other data between them, as CorelDRAW 11 writes them: only the version tells.
  // Versions 7 to 11 write 8-bit names; 12 and later, and anything unknown, UTF-16.
  if (version >= 7 && version <= 11) return NameWidth::kNarrow;
  return NameWidth::kWide;
}

// Inserts the narrow name at `name`; returns where the scan goes on (the name's first byte).
const Byte* TakeNarrowName(const Byte* name, const Byte* end, DocumentFontSet& set) {
  std::size_t limit = std::min<std::size_t>(end - name, kMaxCdrNameBytes);
  InsertName(set, std::string_view(reinterpret_cast<const char*>(name), limit), kMaxCdrNameBytes);
  return name;
}

// Inserts the wide name at `name`; returns where the scan goes on: the name's first byte plus its
// number of units, as the records have always been read (a count of units, not of bytes).
const Byte* TakeWideName(const Byte* name, const Byte* end, DocumentFontSet& set) {
  std::u16string units = ReadCdrWideName(name, end);
  const std::size_t count = units.size();
  InsertCdrWideName(std::move(units), set);
  return name + count;
}

}  // namespace

std::u16string ReadCdrWideName(const Byte* name, const Byte* end) {
  std::u16string units;
  const Byte* at = name;
  while (units.size() < kMaxCdrNameUnits && end - at >= 2) {
    char16_t unit = static_cast<char16_t>(at[0] | at[1] << 8);
    if (unit == 0) break;
    units.push_back(unit);
    at += 2;
  }
  return units;
}

void InsertCdrWideName(std::u16string units, DocumentFontSet& set) {
  if (units.size() > kMaxCdrNameUnits) units.resize(kMaxCdrNameUnits);
  std::optional<std::string> narrow =
      platform::WideToMultiByte(units, platform::kAnsiCodePage, kMaxCdrNameBytes);
  if (narrow) InsertName(set, *narrow, kMaxCdrNameBytes);
}

int CdrDocumentVersion(const Byte* bytes, std::uint64_t size) {
  if (size < 12 || !MatchesAt(bytes, bytes + size, "RIFF") ||
      !MatchesAt(bytes + 8, bytes + size, "CDR")) {
    return 0;
  }
  Byte v = bytes[11];
  if (v >= '0' && v <= '9') return v - '0';
  if (v >= 'A' && v <= 'Z') return 10 + (v - 'A');
  return 0;
}

void ScanCdrFontRecords(const Byte* bytes, std::uint64_t count, DocumentFontSet& set, int version) {
  const Byte* end = bytes + count;
  NameWidth width = NameWidth::kUndecided;
  const Byte* p = bytes;
  while (p < end) {
    const Byte* tag = FindFirst(p, end, kRecordTag);
    // A tag too close to the end has no name, and no later tag can have one either.
    if (end - tag < kNameOffset) return;
    const Byte* name = tag + kNameOffset;
    if (width == NameWidth::kUndecided) width = DecideNameWidth(name, end, version);
    p = width == NameWidth::kNarrow ? TakeNarrowName(name, end, set) : TakeWideName(name, end, set);
  }
}

void ExtractCdrFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set) {
  const int version = CdrDocumentVersion(bytes, size);
  const Byte* end = bytes + size;
  // Offsets are 64-bit: a chunk's step of 28 + C + K can neither overflow nor go backwards.
  std::uint64_t from = 0;
  while (from < size) {
    const Byte* tag = FindFirst(bytes + from, end, kChunkTag);
    const std::uint64_t at = static_cast<std::uint64_t>(tag - bytes);
    if (size - at < 16) return;  // no chunk, or one whose sizes are cut off
    const std::uint64_t compressed = ReadLe32(tag + 4);
    const std::uint64_t uncompressed = ReadLe32(tag + 8);
    const std::uint64_t third = ReadLe32(tag + 12);
    const std::uint64_t data = at + kChunkDataOffset;
    if (data < size && uncompressed > 0) {
      // Only the compressed bytes inside the document are inflated.
      std::uint64_t available = std::min(compressed, size - data);
      std::uint64_t capacity = std::min(uncompressed, kMaxInflatedChunkBytes);
      InflatedBytes inflated = InflateZlib(bytes + data, static_cast<std::size_t>(available),
                                           static_cast<std::size_t>(capacity));
      if (inflated.size > 0) ScanCdrFontRecords(inflated.data.get(), inflated.size, set, version);
    }
    from = at + kChunkDataOffset + compressed + third;
  }
}

}  // namespace corvid
