// Font names of PDF and Illustrator documents that only a rewrite of the file shows.
#pragma once

#include <cstdint>
#include <string>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Adds the font names found in a rewritten form of the PDF at `path` (narrow text in the ANSI
// code page): every object out of its object stream, every dictionary entry on its own line
// (see pdf_rewrite.h), scanned with ScanFontNameMarkers and ScanDppcsuFontNames. The rewrite is
// kept in memory: no file is created or deleted, beside the document or anywhere else. A file
// that cannot be read, or not as a PDF (damaged, encrypted with a password), adds nothing.
// Never prints. Thread-safe.
void ExtractPdfFonts(const std::string& path, DocumentFontSet& set);

// Adds the name after every "/FontName /DPPCSU+" of the block: the bytes that follow the marker
// up to PDF white space (a line feed, a carriage return, a space, ...), a NUL or the block's
// end, #xx escapes decoded as in the FontName entries, cut to 259 bytes. A "/" does not end it.
void ScanDppcsuFontNames(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

}  // namespace corvid
