// Font names of PDF and Illustrator documents that only a rewrite of the file shows.
#pragma once

#include <cstdint>
#include <string>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Adds the font names found in a rewritten form of the PDF at `path` (narrow text in the ANSI
// code page): every object out of its object stream, every dictionary entry on its own line
// (see pdf_rewrite.h), scanned with ScanFontNameMarkers, ScanDppcsuFontNames and
// ScanDescriptorlessFontNames. The rewrite is kept in memory: no file is created or deleted,
// beside the document or anywhere else. A file that cannot be read, or not as a PDF (damaged,
// encrypted with a password), adds nothing. Never prints. Thread-safe.
void ExtractPdfFonts(const std::string& path, DocumentFontSet& set);

// The same for a PDF held in `bytes`, which must stay valid for the call.
void ExtractPdfFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set);

// Adds the name after every "/FontName /DPPCSU+" of the block: the bytes that follow the marker
// up to PDF white space (a line feed, a carriage return, a space, ...), a NUL or the block's
// end, #xx escapes decoded and the name made as in the FontName entries (NormalizePdfFontName),
// cut to 259 bytes. A "/" does not end it.
void ScanDppcsuFontNames(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

// Adds the /BaseFont name of every font dictionary of a rewrite (RewritePdfOneEntryPerLine) that
// has no /FontDescriptor, and so no FontName entry to name it: fonts of subtype Type1, MMType1,
// TrueType, CIDFontType0 or CIDFontType2, most often fonts the document does not embed. Left out
// are Type0 fonts (their BaseFont carries the CMap's name; their descendant CID font is reported),
// Type3 fonts (the document draws their glyphs itself) and the 14 standard fonts, which every
// viewer and design program carries. Names as NormalizePdfFontName makes them.
// The dictionary around a /BaseFont entry is found by the rewrite's layout: each entry on its own
// line, all entries of one dictionary indented by the same number of spaces, more than the lines
// that open and close it, and the lines of a nested value indented more still.
void ScanDescriptorlessFontNames(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

}  // namespace corvid
