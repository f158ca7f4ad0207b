#include "engine/discovery/pdf_fonts.h"

#include <optional>
#include <string_view>
#include <vector>

#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_rewrite.h"
#include "platform/file_view.h"

namespace corvid {
namespace {

bool IsPdfWhiteSpace(Byte b) {
  return b == ' ' || b == '\t' || b == '\f' || b == '\r' || b == '\n' || b == '\0';
}

}  // namespace

void ScanDppcsuFontNames(const Byte* bytes, std::uint64_t length, DocumentFontSet& set) {
  static constexpr std::string_view kMarker = "/FontName /DPPCSU+";
  const Byte* end = bytes + length;
  const Byte* p = bytes;
  while (p < end) {
    const Byte* name = FindFirst(p, end, kMarker);
    if (name == end) return;
    name += kMarker.size();
    const Byte* stop = name;
    while (stop < end && !IsPdfWhiteSpace(*stop)) ++stop;
    std::string_view text(reinterpret_cast<const char*>(name), stop - name);
    InsertName(set, DecodePdfNameEscapes(text.substr(0, kMaxScannedNameBytes)));
    p = stop;
  }
}

void ExtractPdfFonts(const std::string& path, DocumentFontSet& set) {
  std::optional<std::vector<Byte>> rewritten;
  {
    std::optional<platform::FileView> view = platform::FileView::Open(path);
    if (!view) return;
    rewritten = RewritePdfOneEntryPerLine(view->data(), view->size());
  }  // the document is released before the scans
  if (!rewritten) return;
  ScanFontNameMarkers(rewritten->data(), rewritten->size(), set);
  ScanDppcsuFontNames(rewritten->data(), rewritten->size(), set);
}

}  // namespace corvid
