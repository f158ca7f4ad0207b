// Inflating zlib data (the format of zlib's uncompress) into a private buffer.
#pragma once

#include <cstddef>
#include <memory>

#include "engine/discovery/byte_search.h"

namespace corvid {

// Bytes produced by InflateZlib, owned by the caller.
struct InflatedBytes {
  std::unique_ptr<Byte[]> data;
  std::size_t size = 0;
};

// Inflates the zlib stream in `in` (header, deflate data, checksum) into a new buffer of
// `capacity` bytes and returns the bytes produced. Inflation stops at the end of the stream, when
// the buffer is full, when the input runs out or at the first damaged byte; what was produced up
// to that point is returned, so truncated or damaged data give their readable beginning. A
// capacity of 0, a buffer that cannot be allocated and data of which nothing can be decoded (no
// zlib header, for one) give size 0. The buffer is not cleared first: only the `size` bytes
// produced are written, so a large capacity costs no more memory than the output needs where the
// system commits pages on first use. Thread-safe.
InflatedBytes InflateZlib(const Byte* in, std::size_t inSize, std::size_t capacity);

}  // namespace corvid
