#include "common/document_kind.h"

#include <cstring>
#include <optional>

namespace tessaro {
namespace {

// The creator value is examined in a 1024-byte buffer.
constexpr std::size_t kMaxCreatorValue = 1023;

// The rules for documents that carry their markers in plain bytes: the XMP creator tool, and the
// "cmpr" chunks of RIFF CorelDRAW documents.
DocumentKind DetectByMarkers(const Byte* bytes, std::uint64_t size) {
  if (size >= 4 && std::memcmp(bytes, "%PDF", 4) == 0) return DocumentKind::Pdf;
  if (size == 0) return DocumentKind::None;

  // Markers in the order they are tested at each position.
  static const MarkerSet markers{"</xmp:CreatorTool>", "</xap:CreatorTool>", "<xmp:CreatorTool>",
                                 "<xap:CreatorTool>", "cmpr"};
  const Byte* end = bytes + size;
  const Byte* p = bytes;
  const Byte* valueStart = bytes;
  bool cmpr = false;
  while (true) {
    MarkerSet::Hit hit = markers.FindNext(p, end);
    if (hit.marker < 0) return cmpr ? DocumentKind::CorelDraw : DocumentKind::None;
    if (hit.marker <= 1) {  // the first closing tag ends the scan
      std::uint64_t length = static_cast<std::uint64_t>(hit.at - valueStart);
      const void* nul = std::memchr(valueStart, 0, length);
      if (nul != nullptr) length = static_cast<const Byte*>(nul) - valueStart;
      if (length > kMaxCreatorValue) length = kMaxCreatorValue;
      if (ContainsText(valueStart, length, "Photoshop")) return DocumentKind::Photoshop;
      if (ContainsText(valueStart, length, "Illustrator")) return DocumentKind::Illustrator;
      return cmpr ? DocumentKind::CorelDraw : DocumentKind::None;
    }
    if (hit.marker <= 3) {
      p = hit.at + 17;
      valueStart = p;
    } else {
      p = hit.at + 4;
      cmpr = true;
    }
  }
}

// The CorelDRAW ZIP container: only the ZIP's own records are read (the end record, the central
// directory, local file headers), never a member's data.
constexpr std::string_view kLocalHeader = "PK\x03\x04";
constexpr std::string_view kCentralHeader = "PK\x01\x02";
constexpr std::string_view kEndRecord = "PK\x05\x06";
constexpr std::uint64_t kLocalHeaderSize = 30;    // the name follows
constexpr std::uint64_t kCentralHeaderSize = 46;  // the name follows
constexpr std::uint64_t kEndRecordSize = 22;      // a comment of up to 65535 bytes follows
constexpr std::uint64_t kMaxComment = 0xFFFF;

constexpr std::string_view kDrawingMembers[] = {"content/root.dat", "content/riffData.cdr"};

std::uint32_t Le16(const Byte* at) { return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8; }

std::uint32_t Le32(const Byte* at) {
  return Le16(at) | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

bool IsDrawingMember(std::string_view name) {
  for (std::string_view member : kDrawingMembers) {
    if (name == member) return true;
  }
  return false;
}

// Whether the central directory lists a drawing member: true or false when the directory could
// be walked to its end, nullopt when there is none or it is damaged.
std::optional<bool> DirectoryListsDrawing(const Byte* bytes, std::uint64_t size) {
  const Byte* end = bytes + size;
  const Byte* tail =
      size > kEndRecordSize + kMaxComment ? end - (kEndRecordSize + kMaxComment) : bytes;
  const Byte* record = FindLast(tail, end, kEndRecord);
  if (record == end || static_cast<std::uint64_t>(end - record) < kEndRecordSize) {
    return std::nullopt;
  }
  const std::uint64_t directorySize = Le32(record + 12);
  const std::uint64_t directoryOffset = Le32(record + 16);
  // A directory that does not lie before the end record, also a ZIP64 one (offset 0xFFFFFFFF).
  const std::uint64_t recordOffset = static_cast<std::uint64_t>(record - bytes);
  if (directoryOffset > recordOffset || directorySize > recordOffset - directoryOffset) {
    return std::nullopt;
  }
  const Byte* p = bytes + directoryOffset;
  const Byte* directoryEnd = p + directorySize;
  while (p < directoryEnd) {
    if (static_cast<std::uint64_t>(directoryEnd - p) < kCentralHeaderSize ||
        !MatchesAt(p, directoryEnd, kCentralHeader)) {
      return std::nullopt;
    }
    const std::uint64_t nameSize = Le16(p + 28);
    const std::uint64_t entrySize = kCentralHeaderSize + nameSize + Le16(p + 30) + Le16(p + 32);
    if (entrySize > static_cast<std::uint64_t>(directoryEnd - p)) return std::nullopt;
    std::string_view name(reinterpret_cast<const char*>(p + kCentralHeaderSize), nameSize);
    if (IsDrawingMember(name)) return true;
    p += entrySize;
  }
  return false;
}

// Whether a local file header names a drawing member: each occurrence of a member's name is
// checked for the header that would stand before it.
bool LocalHeaderNamesDrawing(const Byte* bytes, std::uint64_t size) {
  const Byte* end = bytes + size;
  for (std::string_view member : kDrawingMembers) {
    for (const Byte* name = FindFirst(bytes, end, member); name != end;
         name = FindFirst(name + 1, end, member)) {
      if (static_cast<std::uint64_t>(name - bytes) < kLocalHeaderSize) continue;
      const Byte* header = name - kLocalHeaderSize;
      if (MatchesAt(header, end, kLocalHeader) && Le16(header + 26) == member.size()) return true;
    }
  }
  return false;
}

}  // namespace

bool ContainsText(const Byte* bytes, std::uint64_t length, std::string_view text) {
  if (text.size() > length) return false;
  const Byte* end = bytes + length;
  return FindFirst(bytes, end, text) != end || text.empty();
}

DocumentKind DetectDocumentKind(const Byte* bytes, std::uint64_t size) {
  DocumentKind kind = DetectByMarkers(bytes, size);
  // A ZIP's members are compressed: none of the markers shows. The container of the newer
  // CorelDRAW versions is recognised by its drawing member instead.
  if (kind == DocumentKind::None && IsCdrZipContainer(bytes, size)) return DocumentKind::CorelDraw;
  return kind;
}

bool IsCdrZipContainer(const Byte* bytes, std::uint64_t size) {
  if (!MatchesAt(bytes, bytes + size, kLocalHeader)) return false;
  if (std::optional<bool> listed = DirectoryListsDrawing(bytes, size)) return *listed;
  return LocalHeaderNamesDrawing(bytes, size);
}

}  // namespace tessaro
