#include "engine/discovery/document_kind.h"

#include <cstring>

#include "engine/discovery/cdr_container.h"

namespace corvid {
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

}  // namespace corvid
