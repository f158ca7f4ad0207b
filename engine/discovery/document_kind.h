// Recognising the kind of a design document from its bytes.
#pragma once

#include <cstdint>
#include <string_view>

#include "engine/discovery/byte_search.h"

namespace corvid {

enum class DocumentKind : int {
  None = 0,         // nothing recognised; no names are extracted
  Illustrator = 1,  // the XMP creator tool names Illustrator
  Photoshop = 2,    // the XMP creator tool names Photoshop
  CorelDraw = 3,    // "cmpr" chunks before the first closing creator-tool tag (or anywhere without
                    // one), or a ZIP container holding a CorelDRAW drawing
  Pdf = 4,          // the file begins with "%PDF"
};

// Classifies a document from its bytes alone; the file name plays no part. Only the bytes up to
// the first closing creator-tool tag are examined (the whole file when there is none). What these
// markers leave as None is a CorelDraw document when it is a CorelDRAW ZIP container
// (IsCdrZipContainer: the ZIP's end record and directory, or its local headers, are read).
DocumentKind DetectDocumentKind(const Byte* bytes, std::uint64_t size);

// True when `text` occurs anywhere in the block (ending exactly at its end included); false when
// it is longer than the block.
bool ContainsText(const Byte* bytes, std::uint64_t length, std::string_view text);

}  // namespace corvid
