// The one-line font-set list of older Photoshop text resources:
//   /DocumentResources << /FontSet << /Resources [ << /Name (ArialMT) /Script 0 … >> … >> >> >> ]

#include "engine/discovery/marker_scans.h"

#include <string>

namespace corvid {

void ScanPhotoshopFontSet(const Byte* bytes, std::uint64_t length, DocumentFontSet& set) {
  static constexpr std::string_view kListMarker = "/DocumentResources << /FontSet << /Resources ";
  const Byte* end = bytes + length;
  // The last list counts. It is found by reading forward: documents run to gigabytes, and a
  // file read from its end backwards defeats the system's read-ahead (a 3 GiB file without a
  // list took a minute and a half from disk instead of seconds).
  const Byte* marker = end;
  for (const Byte* hit = FindFirst(bytes, end, kListMarker); hit != end;
       hit = FindFirst(hit + 1, end, kListMarker)) {
    marker = hit;
  }
  if (marker == end) return;

  static const MarkerSet markers{">> >> >> ]", "/Name (", ") "};
  const Byte* p = marker + kListMarker.size();
  const Byte* nameStart = p;
  while (p < end) {
    MarkerSet::Hit hit = markers.FindNext(p, end);
    if (hit.marker <= 0) return;  // the end of the list, or of the block
    if (hit.marker == 1) {
      p = hit.at + 7;
      nameStart = p;
      continue;
    }
    // A name stored as 16-bit characters keeps only its ASCII bytes.
    std::string name;
    for (const Byte* b = nameStart; b < hit.at && name.size() < kMaxScannedNameBytes; ++b) {
      if (*b >= 0x01 && *b <= 0x7F) name.push_back(static_cast<char>(*b));
    }
    set.insert(std::move(name));
    p = hit.at + 2;
  }
}

}  // namespace corvid
