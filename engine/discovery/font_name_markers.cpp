// FontName entries of PDF font descriptors and the XMP font list of Illustrator and PDF files.

#include "engine/discovery/marker_scans.h"

#include <algorithm>
#include <string>

namespace corvid {
namespace {

// PDF white space ends a name as a "/" does: "/FontName /ABCDEF+Times-Roman /Flags 34" names
// Times-Roman, not "Times-Roman ".
bool EndsFontNameValue(Byte b) {
  return b == '/' || b == ' ' || b == '\t' || b == '\f' || b == '\r' || b == '\n' || b == '\0';
}

int HexValue(Byte b) {
  if (b >= '0' && b <= '9') return b - '0';
  if (b >= 'A' && b <= 'F') return b - 'A' + 10;
  if (b >= 'a' && b <= 'f') return b - 'a' + 10;
  return -1;
}

void ScanFontDescriptorNames(const Byte* bytes, const Byte* end, DocumentFontSet& set) {
  static constexpr std::string_view kKey = "FontName";
  const Byte* p = bytes;
  while (p < end) {
    const Byte* key = FindFirst(p, end, kKey);
    if (key == end) return;
    // The value starts after the next "+" or "/"; without one there is no value at all.
    const Byte* q = FindEitherByte(key + kKey.size(), end, '+', '/');
    if (q == end) return;
    ++q;
    const Byte* stop = q;
    while (stop < end && !EndsFontNameValue(*stop)) ++stop;
    std::string_view text(reinterpret_cast<const char*>(q),
                          std::min<std::size_t>(stop - q, kMaxScannedNameBytes));
    std::size_t plus = text.find('+');
    if (plus != std::string_view::npos) text.remove_prefix(plus + 1);  // the subset prefix
    InsertName(set, DecodePdfNameEscapes(text));
    if (stop == end) return;
    p = stop + 1;
  }
}

void ScanXmpFontList(const Byte* bytes, const Byte* end, DocumentFontSet& set) {
  static const MarkerSet listStart{"<xmpTPg:Fonts>", "</xmpTPg:Fonts>"};
  MarkerSet::Hit open = listStart.FindNext(bytes, end);
  if (open.marker != 0) return;  // no list, or a list closed before it is opened

  static const MarkerSet markers{"</xmpTPg:Fonts>", "<stFnt:fontName>", "</stFnt:fontName>"};
  const Byte* p = open.at + 14;
  const Byte* nameStart = p;
  while (p < end) {
    MarkerSet::Hit hit = markers.FindNext(p, end);
    if (hit.marker <= 0) return;
    if (hit.marker == 1) {
      p = hit.at + 16;
      nameStart = p;
      continue;
    }
    InsertName(set, std::string_view(reinterpret_cast<const char*>(nameStart), hit.at - nameStart));
    p = hit.at + 17;
  }
}

}  // namespace

std::string DecodePdfNameEscapes(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '#' && i + 2 < text.size()) {
      int hi = HexValue(static_cast<Byte>(text[i + 1]));
      int lo = HexValue(static_cast<Byte>(text[i + 2]));
      if (hi >= 0 && lo >= 0) {
        out.push_back(static_cast<char>(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(text[i]);
  }
  return out;
}

void ScanFontNameMarkers(const Byte* bytes, std::uint64_t length, DocumentFontSet& set) {
  const Byte* end = bytes + length;
  ScanFontDescriptorNames(bytes, end, set);
  ScanXmpFontList(bytes, end, set);
}

}  // namespace corvid
