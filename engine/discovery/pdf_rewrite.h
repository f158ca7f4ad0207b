// Rewriting a PDF into a form whose font descriptors can be read as plain text.
//
// PDF 1.5 and later may pack objects, font descriptors among them, into compressed object
// streams, where no byte scan sees them. The rewrite takes every object out of its object stream
// and writes each dictionary entry on its own line, so that a FontName value ends at the end of
// its line. Stream data are copied as they are: the names live in dictionaries, not in streams.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/discovery/byte_search.h"

namespace corvid {

// Returns the PDF held in `bytes` rewritten as described above, in memory; nothing is written to
// disk. Returns nullopt when the bytes cannot be read or written as a PDF (damaged beyond
// recovery, encrypted with a password other than the empty one), and when the document passes
// the rewrite's bounds, which keep its memory and time in proportion to the file: object streams
// inflating to more than 64 MiB together, more than 4,000,000 objects, or a rewritten file more
// than 256 MiB larger than the original. Never prints: warnings about
// damaged files are discarded. The bytes must stay valid for the call. Thread-safe.
std::optional<std::vector<Byte>> RewritePdfOneEntryPerLine(const Byte* bytes, std::uint64_t size);

}  // namespace corvid
