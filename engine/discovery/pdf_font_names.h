// Font names as PDF producers write them, and the names the installed fonts go by.
//
// A PDF names a font in a name object (/ABCDEF+Arial#20Black) or, from some Chinese producers, in
// a string ((...) or <hex>). What it holds may carry a subset tag ("ABCDEF+"), may be written in
// the "Family,Style" form that fonts made through the Windows graphics interface get
// ("Segoe UI,Bold"), and may be bytes of the producer's code page, GBK for Chinese producers. The
// scans read the value with ReadPdfNameOrString and keep what NormalizePdfFontName makes of it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// PDF white space: NUL, tab, line feed, form feed, carriage return and space.
inline bool IsPdfWhiteSpace(Byte b) {
  return b == ' ' || b == '\n' || b == '\r' || b == '\t' || b == '\f' || b == '\0';
}

// The bytes that end a PDF name besides white space.
inline bool IsPdfDelimiter(Byte b) {
  return b == '/' || b == '(' || b == ')' || b == '<' || b == '>' || b == '[' || b == ']' ||
         b == '{' || b == '}' || b == '%';
}

// A string whose value runs longer than this is no font name: the scans give nothing for it
// rather than search far for its end (a name of 259 bytes takes at most 4 * 259 bytes written
// with escapes).
inline constexpr std::size_t kMaxPdfStringValueBytes = 4 * kMaxScannedNameBytes + 4;

struct PdfNameOrString {
  std::string bytes;  // the value's bytes: escapes decoded, at most kMaxPdfStringValueBytes
  const Byte* next;   // the first byte after the value
};

// Reads the name or string object that begins at `at` (no white space skipped): a name "/..." up
// to white space, a delimiter or `end`, its #xx escapes decoded; a literal string "(...)" with
// its escapes and nested parentheses; a hex string "<...>". Returns nullopt for anything else
// (a number, a reference, a dictionary, an array), for a string not closed before `end` and for
// one longer than kMaxPdfStringValueBytes. A name longer than that is read to its end, and its
// first kMaxPdfStringValueBytes bytes are decoded. Reads only within [at, end).
std::optional<PdfNameOrString> ReadPdfNameOrString(const Byte* at, const Byte* end);

// Decodes the #xx escapes of a PDF name: /Arial#20Black is the font Arial Black. A "#" not
// followed by two hex digits stays as it is.
std::string DecodePdfNameEscapes(std::string_view text);

// The name of the font that a PDF font name stands for, in the narrow code page (kAnsiCodePage),
// at most 259 bytes, cut before a character that would not fit:
// - up to the first NUL;
// - a text string marked as UTF-16BE (FE FF) or UTF-8 (EF BB BF) is converted from it;
// - a subset tag, six capital letters and "+", is removed (the tag is looked for after the #xx
//   decoding, so /NVCFEO#2BCalibri-Bold is Calibri-Bold);
// - the part before the first comma: in "Segoe UI,Bold", "Arial,Italic" or "Arial,BoldItalic"
//   the family stands before the comma and a style after it, and whatever else follows a comma
//   is taken as a style too (the list of GetLackFontNames is comma-separated: no name holds one);
// - bytes not valid in the narrow code page as NameBytesToNarrow reads them.
std::string NormalizePdfFontName(std::string_view bytes);

// `bytes` when they are valid text in the narrow code page. Otherwise the bytes are read as a
// Chinese system reads them (GBK, code page 936, read as its superset GB18030, or as GBK where the
// system has no GB18030 converter) and returned in the narrow code page, characters it lacks as
// "?", bytes invalid there as U+FFFD or "?". So on a UTF-8 system the GBK bytes of 黑体 give 黑体
// in UTF-8, and under code page 936 they stay as they are; the EUC-KR bytes of a Korean name give
// what a Chinese system shows for them. At most `maxBytes` bytes, cut before a character that
// would not fit. Thread-safe.
std::string NameBytesToNarrow(std::string_view bytes, std::size_t maxBytes);

// True for the names of the 14 standard fonts (Times-Roman, Helvetica, Courier, Symbol,
// ZapfDingbats and their styles), which every PDF viewer and design program carries.
bool IsStandardPdfFontName(std::string_view name);

}  // namespace corvid
