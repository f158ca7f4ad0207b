#include "engine/discovery/zlib_inflate.h"

#include <zlib.h>

#include <limits>
#include <new>

namespace corvid {

InflatedBytes InflateZlib(const Byte* in, std::size_t inSize, std::size_t capacity) {
  InflatedBytes out;
  constexpr std::size_t kMaxStep = std::numeric_limits<uInt>::max();
  if (capacity == 0 || inSize == 0) return out;
  // Default-initialised on purpose: only the bytes that inflate writes are ever touched.
  out.data.reset(new (std::nothrow) Byte[capacity]);
  if (!out.data) return out;

  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return InflatedBytes{};
  // zlib counts in uInt; feed larger blocks in steps (the chunk sizes of documents are 32-bit,
  // so in practice one step is all).
  std::size_t inLeft = inSize;
  std::size_t outLeft = capacity;
  stream.next_in = const_cast<Bytef*>(in);
  stream.next_out = out.data.get();
  int result = Z_OK;
  while (result == Z_OK) {
    if (stream.avail_in == 0 && inLeft > 0) {
      stream.avail_in = static_cast<uInt>(inLeft < kMaxStep ? inLeft : kMaxStep);
      inLeft -= stream.avail_in;
    }
    if (stream.avail_out == 0 && outLeft > 0) {
      stream.avail_out = static_cast<uInt>(outLeft < kMaxStep ? outLeft : kMaxStep);
      outLeft -= stream.avail_out;
    }
    uInt inBefore = stream.avail_in;
    uInt outBefore = stream.avail_out;
    result = inflate(&stream, Z_NO_FLUSH);
    if (result == Z_OK && stream.avail_in == inBefore && stream.avail_out == outBefore) break;
  }
  // Z_STREAM_END, or Z_BUF_ERROR / Z_DATA_ERROR / Z_NEED_DICT: either way the output written so
  // far is good, which is what zlib's uncompress reports back as the produced length too.
  out.size = static_cast<std::size_t>(stream.next_out - out.data.get());
  inflateEnd(&stream);
  if (out.size == 0) out.data.reset();
  return out;
}

}  // namespace corvid
