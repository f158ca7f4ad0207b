// Recognising the kind of a design document from its bytes.
//
// The engine decides with it which extractor reads a document; the client asks it first, so that
// a file of no known kind is reported as such instead of as a document without missing fonts.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/byte_search.h"

namespace tessaro {

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
// Reads only inside the bytes; thread-safe.
DocumentKind DetectDocumentKind(const Byte* bytes, std::uint64_t size);

// True when the bytes are a ZIP container (they begin with a local file header) holding a
// drawing member, "content/root.dat" or "content/riffData.cdr": the container of CorelDRAW X4
// and later. The member is looked for in the central directory, found from the end record in the
// last 64 KiB of the bytes; when there is no central directory that can be walked (a cut-off or
// damaged container), in the local file headers, found by the member's name. A ZIP whose central
// directory is whole and lists no drawing member is another kind of ZIP: false. Only the ZIP's
// own records are read, never a member's data. Reads only inside the bytes; thread-safe.
bool IsCdrZipContainer(const Byte* bytes, std::uint64_t size);

// True when `text` occurs anywhere in the block (ending exactly at its end included); false when
// it is longer than the block.
bool ContainsText(const Byte* bytes, std::uint64_t length, std::string_view text);

}  // namespace tessaro
