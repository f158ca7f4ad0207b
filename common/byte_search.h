// Fast searches for byte patterns in large blocks, for the engine's document scans and for the
// recognition of documents that the engine and the client share.
//
// The document scans are defined byte by byte: at each position they test a few markers in a
// fixed order and act on the first that matches. These helpers find the next position where
// any of the markers begins, skipping the bytes in between many at a time (16-byte vector
// compares of each marker's first two bytes), so that a scan costs little more than reading the
// block once while giving exactly the answer of the byte-by-byte walk.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string_view>

namespace tessaro {

using Byte = unsigned char;

// True when `pattern` begins at `at` and fits entirely before `end`.
inline bool MatchesAt(const Byte* at, const Byte* end, std::string_view pattern) {
  if (static_cast<std::size_t>(end - at) < pattern.size()) return false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (at[i] != static_cast<Byte>(pattern[i])) return false;
  }
  return true;
}

// The first position in [from, end) where `needle` begins and fits before `end`; `end` if none.
const Byte* FindFirst(const Byte* from, const Byte* end, std::string_view needle);

// The last position in [begin, end) where `needle` begins and fits before `end`; `end` if none.
const Byte* FindLast(const Byte* begin, const Byte* end, std::string_view needle);

// The first position in [from, end) holding byte `a` or byte `b`; `end` if none.
const Byte* FindEitherByte(const Byte* from, const Byte* end, Byte a, Byte b);

// A small set of markers (at most 8, each at least 2 bytes) tested in the given order.
class MarkerSet {
 public:
  MarkerSet(std::initializer_list<std::string_view> markers);

  struct Hit {
    const Byte* at;  // where the marker begins, or the block's end when none was found
    int marker;      // index of the marker in the set's order, or -1
  };

  // The first position p >= `from` where one of the markers begins and fits before `end`; when
  // several begin at p, the earliest marker of the set wins.
  Hit FindNext(const Byte* from, const Byte* end) const;

 private:
  static constexpr int kMaxMarkers = 8;
  std::string_view markers_[kMaxMarkers];
  int count_ = 0;
  // Distinct (first byte, second byte) pairs of the markers: the vector filter.
  Byte first_[kMaxMarkers];
  Byte second_[kMaxMarkers];
  int pairs_ = 0;
};

}  // namespace tessaro
