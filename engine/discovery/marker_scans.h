// Cutting font names out of documents by fixed text markers, without parsing the file format.
//
// Photoshop lists its fonts in the font-set list of its text resources; PDF names them in the
// FontName entries of its font descriptors; Illustrator and PDF list them in their XMP metadata.
// Every search, copy and comparison stays within the block; names are cut to 259 bytes.
#pragma once

#include <cstdint>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Reads the names of the last "/DocumentResources << /FontSet << /Resources " list of the block:
// every "/Name (" starts a name that ends before a ") ", bytes outside 0x01..0x7F dropped.
void ScanPhotoshopFontSet(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

// First pass: every "FontName" entry (also one inside a longer word). After the key and any white
// space stands a name or a string (see ReadPdfNameOrString), which gives the font's name as
// NormalizePdfFontName makes it; anything else (a reference, a number, a dictionary) gives
// nothing, and the scan never runs on to the next key's name.
// Second pass: the names of the first XMP font list (<xmpTPg:Fonts> … <stFnt:fontName>), as they
// stand (XML entities included), converted from UTF-8 to the narrow code page when it has every
// character of the name.
void ScanFontNameMarkers(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

}  // namespace corvid
