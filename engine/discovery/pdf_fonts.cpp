#include "engine/discovery/pdf_fonts.h"

#include <cstring>
#include <optional>
#include <string_view>
#include <vector>

#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_font_names.h"
#include "engine/discovery/pdf_rewrite.h"
#include "platform/file_view.h"

namespace corvid {
namespace {

// The end of the line that holds `at`: its line feed, or `end`.
const Byte* LineEnd(const Byte* at, const Byte* end) {
  const void* feed = std::memchr(at, '\n', static_cast<std::size_t>(end - at));
  return feed ? static_cast<const Byte*>(feed) : end;
}

// The start of the line that holds `at`: the byte after the line feed before it, or `begin`.
const Byte* LineStart(const Byte* begin, const Byte* at) {
  while (at > begin && at[-1] != '\n') --at;
  return at;
}

std::size_t Indent(const Byte* line, const Byte* lineEnd) {
  const Byte* text = line;
  while (text < lineEnd && *text == ' ') ++text;
  return static_cast<std::size_t>(text - line);
}

// What the entries of a font dictionary say about the font.
struct FontEntries {
  bool hasDescriptor = false;
  std::string subtype;
};

// Reads the entry "/Key value" that begins at `key` and ends before `lineEnd`.
void ReadEntry(const Byte* key, const Byte* lineEnd, FontEntries& entries) {
  if (key == lineEnd || *key != '/') return;
  std::optional<PdfNameOrString> name = ReadPdfNameOrString(key, lineEnd);
  if (!name) return;
  if (name->bytes == "FontDescriptor") {
    entries.hasDescriptor = true;
  } else if (name->bytes == "Subtype") {
    const Byte* value = name->next;
    while (value < lineEnd && *value == ' ') ++value;
    std::optional<PdfNameOrString> subtype = ReadPdfNameOrString(value, lineEnd);
    if (subtype && *value == '/') entries.subtype = subtype->bytes;
  }
}

// Reads the entries of the dictionary that holds the entry on the line [line, lineEnd), whose
// entries stand `indent` spaces deep: the lines before and after it up to the first line indented
// less, skipping the deeper lines of nested values.
FontEntries ReadDictionaryAround(const Byte* begin, const Byte* end, const Byte* line,
                                 const Byte* lineEnd, std::size_t indent) {
  FontEntries entries;
  for (const Byte* start = line; start > begin;) {
    const Byte* previousEnd = start - 1;  // its line feed
    const Byte* previous = LineStart(begin, previousEnd);
    std::size_t depth = Indent(previous, previousEnd);
    if (depth < indent) break;
    if (depth == indent) ReadEntry(previous + depth, previousEnd, entries);
    start = previous;
  }
  for (const Byte* stop = lineEnd; stop < end;) {
    const Byte* next = stop + 1;
    const Byte* nextEnd = LineEnd(next, end);
    std::size_t depth = Indent(next, nextEnd);
    if (depth < indent) break;
    if (depth == indent) ReadEntry(next + depth, nextEnd, entries);
    stop = nextEnd;
  }
  return entries;
}

bool NamedByBaseFont(const FontEntries& entries) {
  static constexpr std::string_view kSubtypes[] = {"Type1", "MMType1", "TrueType", "CIDFontType0",
                                                   "CIDFontType2"};
  if (entries.hasDescriptor) return false;
  for (std::string_view subtype : kSubtypes) {
    if (entries.subtype == subtype) return true;
  }
  return false;
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
    InsertName(set,
               NormalizePdfFontName(DecodePdfNameEscapes(text.substr(0, kMaxScannedNameBytes))));
    p = stop;
  }
}

void ScanDescriptorlessFontNames(const Byte* bytes, std::uint64_t length, DocumentFontSet& set) {
  static constexpr std::string_view kKey = "/BaseFont";
  const Byte* end = bytes + length;
  const Byte* p = bytes;
  while (p < end) {
    const Byte* key = FindFirst(p, end, kKey);
    if (key == end) return;
    p = key + kKey.size();
    // An entry of a dictionary: the key begins its line after the indentation.
    const Byte* line = key;
    while (line > bytes && line[-1] == ' ') --line;
    std::size_t indent = static_cast<std::size_t>(key - line);
    if (indent == 0 || (line > bytes && line[-1] != '\n')) continue;
    if (p == end || *p != ' ') continue;  // a longer key, or no value on the line
    const Byte* lineEnd = LineEnd(p, end);
    const Byte* value = p;
    while (value < lineEnd && *value == ' ') ++value;
    std::optional<PdfNameOrString> name = ReadPdfNameOrString(value, lineEnd);
    if (!name || *value != '/') continue;
    if (!NamedByBaseFont(ReadDictionaryAround(bytes, end, line, lineEnd, indent))) continue;
    std::string font = NormalizePdfFontName(name->bytes);
    if (IsStandardPdfFontName(font)) continue;
    InsertName(set, font);
  }
}

namespace {

void ScanRewrite(const std::vector<Byte>& rewritten, DocumentFontSet& set) {
  ScanFontNameMarkers(rewritten.data(), rewritten.size(), set);
  ScanDppcsuFontNames(rewritten.data(), rewritten.size(), set);
  ScanDescriptorlessFontNames(rewritten.data(), rewritten.size(), set);
}

}  // namespace

void ExtractPdfFonts(const std::string& path, DocumentFontSet& set) {
  std::optional<std::vector<Byte>> rewritten;
  {
    std::optional<platform::FileView> view = platform::FileView::Open(path);
    if (!view) return;
    rewritten = RewritePdfOneEntryPerLine(view->data(), view->size());
  }  // the document is released before the scans
  if (rewritten) ScanRewrite(*rewritten, set);
}

void ExtractPdfFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set) {
  std::optional<std::vector<Byte>> rewritten = RewritePdfOneEntryPerLine(bytes, size);
  if (rewritten) ScanRewrite(*rewritten, set);
}

}  // namespace corvid
