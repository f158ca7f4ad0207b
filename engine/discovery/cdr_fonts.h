// Font names of CorelDRAW documents, from the font records inside their compressed chunks.
//
// A CorelDRAW document (RIFF form "CDR7" to "CDRD", and the RIFF drawing "CDRE", "CDRF" that the
// ZIP container of X4 and X5 holds as "content/riffData.cdr") keeps its drawing data in chunks
// tagged "cmpr": the tag, three 32-bit little-endian sizes (compressed C, uncompressed U, a third
// K), twelve bytes not read here, then C bytes of zlib data. The next chunk is looked for 28 + C
// + K bytes after the tag. The inflated bytes hold "font" records whose name starts 26 bytes after
// the tag, as 8-bit text ending with a NUL or as UTF-16LE ending with a zero unit. Nothing of the
// format is parsed beyond that.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/discovery/byte_search.h"
#include "engine/discovery/document_font_set.h"

namespace corvid {

// Names are cut to 63 bytes (narrow) or 63 UTF-16 units (wide, then converted).
inline constexpr std::size_t kMaxCdrNameBytes = 63;
inline constexpr std::size_t kMaxCdrNameUnits = 63;

// The most bytes one chunk is inflated into, whatever size it declares: a hostile file cannot
// make the engine allocate gigabytes.
inline constexpr std::uint64_t kMaxInflatedChunkBytes = std::uint64_t{256} << 20;

// The CorelDRAW version named by the RIFF form type at offset 8 ("CDR7" is 7, "CDRA" 10, "CDRB"
// 11, "CDRC" 12, ...), or 0 when the bytes do not begin with such a RIFF header.
int CdrDocumentVersion(const Byte* bytes, std::uint64_t size);

// Adds the names of the font records of every "cmpr" chunk of the document's bytes. Each chunk is
// inflated into a private buffer (no file is written) of its declared uncompressed size, capped at
// kMaxInflatedChunkBytes; only the compressed bytes that lie inside the document are used. A
// chunk of size 0, or one of which nothing inflates, adds nothing and the scan goes on; truncated
// or damaged data add the names of what did inflate. Thread-safe.
void ExtractCdrFonts(const Byte* bytes, std::uint64_t size, DocumentFontSet& set);

// Adds the name of every "font" record in the inflated bytes of one chunk. The width of the names
// is decided once, at the first record: narrow when the next record follows that name directly
// (after its NUL and any further zero bytes); otherwise by the document's `version` (see
// CdrDocumentVersion): 7 to 11 store narrow names, 12 and later UTF-16; for an unknown version
// (0 or below 7), UTF-16. Narrow names are kept as bytes; wide names are converted to the ANSI
// code page. A name that runs past the bytes ends at their end. After a narrow name the scan
// resumes at its first byte, after a wide one at its first byte plus its count of units.
void ScanCdrFontRecords(const Byte* bytes, std::uint64_t count, DocumentFontSet& set, int version);

// Inserts a wide CorelDRAW name as every reader of these documents does, so that one font gives
// one name whichever record or file it comes from: cut to kMaxCdrNameUnits UTF-16 units, then
// converted to the ANSI code page (a character without an ANSI form becomes the default
// character), cut before a character that would pass kMaxCdrNameBytes. An empty name is
// inserted too; a name that cannot be converted at all (no converter) adds nothing.
void InsertCdrWideName(std::u16string units, DocumentFontSet& set);

// The UTF-16LE name at `name`: its units up to the first zero unit, the end of the bytes (an odd
// last byte is left out) or kMaxCdrNameUnits units, whichever comes first.
std::u16string ReadCdrWideName(const Byte* name, const Byte* end);

}  // namespace corvid
