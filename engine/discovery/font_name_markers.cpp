// FontName entries of PDF font descriptors and the XMP font list of Illustrator and PDF files.

#include <algorithm>
#include <optional>
#include <string>
#include <string_view>

#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_font_names.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

void ScanFontDescriptorNames(const Byte* bytes, const Byte* end, DocumentFontSet& set) {
  static constexpr std::string_view kKey = "FontName";
  const Byte* p = bytes;
  while (p < end) {
    const Byte* key = FindFirst(p, end, kKey);
    if (key == end) return;
    const Byte* value = key + kKey.size();
    while (value < end && IsPdfWhiteSpace(*value)) ++value;
    // Only a name or a string is a font's name: a value of another kind gives nothing, where
    // taking the next "/" would give the next key ("/FontName <d0a1b1eacbce> /ItalicAngle 0").
    std::optional<PdfNameOrString> name = ReadPdfNameOrString(value, end);
    if (!name) {
      p = value;
      continue;
    }
    InsertName(set, NormalizePdfFontName(name->bytes));
    p = name->next;
  }
}

// XMP text is UTF-8. A name goes into the narrow code page when that has all its characters;
// otherwise it stays as it is, since a name with "?" in it would match no font either. Names far
// longer than any font's stay as they are too.
std::string XmpNameToNarrow(std::string_view utf8) {
  bool ascii = std::all_of(utf8.begin(), utf8.end(),
                           [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  if (ascii || utf8.size() > kMaxPdfStringValueBytes) return std::string(utf8);
  std::optional<std::u16string> wide = platform::MultiByteToWide(utf8, platform::kUtf8CodePage);
  if (!wide || wide->find(u'\uFFFD') != std::u16string::npos) return std::string(utf8);
  std::optional<std::string> narrow =
      platform::WideToMultiByte(*wide, platform::kAnsiCodePage, kMaxScannedNameBytes, '\0');
  if (!narrow || narrow->find('\0') != std::string::npos) return std::string(utf8);
  return *narrow;
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
    std::string_view name(reinterpret_cast<const char*>(nameStart), hit.at - nameStart);
    InsertName(set, XmpNameToNarrow(name.substr(0, name.find('\0'))));
    p = hit.at + 17;
  }
}

}  // namespace

void ScanFontNameMarkers(const Byte* bytes, std::uint64_t length, DocumentFontSet& set) {
  const Byte* end = bytes + length;
  ScanFontDescriptorNames(bytes, end, set);
  ScanXmpFontList(bytes, end, set);
}

}  // namespace corvid
