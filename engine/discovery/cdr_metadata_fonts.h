// The fonts that CorelDRAW lists in the metadata file of its ZIP container.
//
// CorelDRAW X4 and later write "metadata/metadata.xml" (X6 and later "META-INF/metadata.xml"),
// an XMP packet in UTF-8 whose "FontsUsed" property (in the default namespace or with a prefix,
// "cdrinfo:FontsUsed") is a bag of the document's font names:
//   <FontsUsed><rdf:Bag><rdf:li>Arial</rdf:li><rdf:li>Courier New</rdf:li></rdf:Bag></FontsUsed>
// Only that property is read, with a tag scan rather than an XML parser: the file is CorelDRAW's
// own and small, and a damaged one must still give what it holds.
#pragma once

#include <string_view>

#include "engine/discovery/document_font_set.h"

namespace corvid {

// The metadata members of a container, in the order they are looked at.
inline constexpr std::string_view kCdrMetadataMembers[] = {"META-INF/metadata.xml",
                                                           "metadata/metadata.xml"};

// Adds the text of every list item ("li" element, any prefix) inside every "FontsUsed" element
// of the XML, up to that element's closing tag (or the end of the text when it has none). The
// character references and the five predefined entities are decoded; anything else is kept as
// it stands, spaces included. Each name is taken as UTF-8 (a byte sequence that is not UTF-8
// becomes U+FFFD) and inserted with InsertCdrWideName, so that it gives the same bytes as the
// font table's record of the same font. An item that is empty, holds other markup or has no end
// tag names no font and adds nothing. Thread-safe.
void ScanCdrMetadataFonts(std::string_view xml, DocumentFontSet& set);

}  // namespace corvid
