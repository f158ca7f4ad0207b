// Cutting font names out of documents by fixed text markers, without parsing the file format.
//
// Photoshop lists its fonts in the font-set list of its text resources; PDF names them in the
// FontName entries of its font descriptors; Illustrator and PDF list them in their XMP metadata.
// Every search, copy and comparison stays within the block; names are cut to 259 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Reads the names of the last "/DocumentResources << /FontSet << /Resources " list of the block:
// every "/Name (" starts a name that ends before a ") ", bytes outside 0x01..0x7F dropped.
void ScanPhotoshopFontSet(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

// First pass: every "FontName" entry, its value taken after the next "+" or "/" up to a "/", PDF
// white space or the block's end, a subset prefix ("ABCDEF+") dropped and #xx escapes decoded.
// Second pass: the names of the first XMP font list (<xmpTPg:Fonts> … <stFnt:fontName>).
void ScanFontNameMarkers(const Byte* bytes, std::uint64_t length, DocumentFontSet& set);

// Decodes the #xx escapes of a PDF name: /Arial#20Black is the font Arial Black. A "#" not
// followed by two hex digits stays as it is.
std::string DecodePdfNameEscapes(std::string_view text);

}  // namespace corvid
