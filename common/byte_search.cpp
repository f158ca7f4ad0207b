#include "common/byte_search.h"

#include <cstdint>
#include <cstring>

namespace tessaro {
namespace {

// GCC/Clang vector extensions: SSE2 on x86, NEON on ARM, plain code elsewhere.
typedef Byte V16 __attribute__((vector_size(16)));

inline V16 Load(const Byte* p) {
  V16 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

inline V16 Splat(Byte b) {
  V16 v = {};
  return v + b;
}

// The lanes of a comparison result as two 64-bit words; lane i is byte i (little-endian order
// of the words is irrelevant: lanes are found by scanning the bytes in memory order).
struct LaneMask {
  std::uint64_t word[2];
  template <typename M>
  explicit LaneMask(M m) {
    std::memcpy(word, &m, sizeof word);
  }
  bool any() const { return (word[0] | word[1]) != 0; }
  // The lowest set lane, which is then cleared; -1 when none is left.
  int PopLowest() {
    for (int w = 0; w < 2; ++w) {
      if (word[w] != 0) {
        int lane = __builtin_ctzll(word[w]) / 8;
        word[w] &= ~(std::uint64_t{0xFF} << (lane * 8));
        return w * 8 + lane;
      }
    }
    return -1;
  }
  // The highest set lane, which is then cleared; -1 when none is left.
  int PopHighest() {
    for (int w = 1; w >= 0; --w) {
      if (word[w] != 0) {
        int lane = (63 - __builtin_clzll(word[w])) / 8;
        word[w] &= ~(std::uint64_t{0xFF} << (lane * 8));
        return w * 8 + lane;
      }
    }
    return -1;
  }
};

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "lane order assumes little-endian");

}  // namespace

const Byte* FindFirst(const Byte* from, const Byte* end, std::string_view needle) {
  const std::size_t n = needle.size();
  if (n == 0) return from;
  if (from >= end || static_cast<std::size_t>(end - from) < n) return end;
  const Byte* needleBytes = reinterpret_cast<const Byte*>(needle.data());
  if (n == 1) {
    const void* hit = std::memchr(from, needleBytes[0], static_cast<std::size_t>(end - from));
    return hit ? static_cast<const Byte*>(hit) : end;
  }
  const Byte* last = end - n;  // the last position where the needle fits
  const V16 first = Splat(needleBytes[0]);
  const V16 final = Splat(needleBytes[n - 1]);
  const Byte* p = from;
  while (last - p >= 15) {
    LaneMask mask((Load(p) == first) & (Load(p + n - 1) == final));
    if (mask.any()) {
      for (int lane = mask.PopLowest(); lane >= 0; lane = mask.PopLowest()) {
        if (std::memcmp(p + lane + 1, needleBytes + 1, n - 2) == 0) return p + lane;
      }
    }
    p += 16;
  }
  for (; p <= last; ++p) {
    if (p[0] == needleBytes[0] && std::memcmp(p + 1, needleBytes + 1, n - 1) == 0) return p;
  }
  return end;
}

const Byte* FindLast(const Byte* begin, const Byte* end, std::string_view needle) {
  const std::size_t n = needle.size();
  if (begin >= end || static_cast<std::size_t>(end - begin) < n || n == 0) return end;
  const Byte* needleBytes = reinterpret_cast<const Byte*>(needle.data());
  // top: offset from `begin` of the highest position not yet examined.
  std::ptrdiff_t top = (end - begin) - static_cast<std::ptrdiff_t>(n);
  if (n >= 2) {
    const V16 first = Splat(needleBytes[0]);
    const V16 final = Splat(needleBytes[n - 1]);
    while (top >= 15) {
      const Byte* q = begin + (top - 15);
      LaneMask mask((Load(q) == first) & (Load(q + n - 1) == final));
      if (mask.any()) {
        for (int lane = mask.PopHighest(); lane >= 0; lane = mask.PopHighest()) {
          if (std::memcmp(q + lane + 1, needleBytes + 1, n - 2) == 0) return q + lane;
        }
      }
      top -= 16;
    }
  }
  for (; top >= 0; --top) {
    const Byte* p = begin + top;
    if (p[0] == needleBytes[0] && std::memcmp(p + 1, needleBytes + 1, n - 1) == 0) return p;
  }
  return end;
}

const Byte* FindEitherByte(const Byte* from, const Byte* end, Byte a, Byte b) {
  const V16 va = Splat(a);
  const V16 vb = Splat(b);
  const Byte* p = from;
  while (end - p >= 16) {
    V16 v = Load(p);
    LaneMask mask((v == va) | (v == vb));
    if (mask.any()) return p + mask.PopLowest();
    p += 16;
  }
  for (; p < end; ++p) {
    if (*p == a || *p == b) return p;
  }
  return end;
}

MarkerSet::MarkerSet(std::initializer_list<std::string_view> markers) {
  for (std::string_view marker : markers) {
    if (count_ == kMaxMarkers || marker.size() < 2) __builtin_trap();
    markers_[count_++] = marker;
    Byte f = static_cast<Byte>(marker[0]);
    Byte s = static_cast<Byte>(marker[1]);
    bool known = false;
    for (int i = 0; i < pairs_; ++i) known = known || (first_[i] == f && second_[i] == s);
    if (!known) {
      first_[pairs_] = f;
      second_[pairs_] = s;
      ++pairs_;
    }
  }
}

MarkerSet::Hit MarkerSet::FindNext(const Byte* from, const Byte* end) const {
  auto testAt = [&](const Byte* p) -> int {
    for (int m = 0; m < count_; ++m) {
      if (MatchesAt(p, end, markers_[m])) return m;
    }
    return -1;
  };
  const Byte* p = from;
  if (p < end) {
    V16 firsts[kMaxMarkers];
    V16 seconds[kMaxMarkers];
    for (int i = 0; i < pairs_; ++i) {
      firsts[i] = Splat(first_[i]);
      seconds[i] = Splat(second_[i]);
    }
    while (end - p >= 17) {
      V16 a = Load(p);
      V16 b = Load(p + 1);
      auto m = (a == firsts[0]) & (b == seconds[0]);
      for (int i = 1; i < pairs_; ++i) m |= (a == firsts[i]) & (b == seconds[i]);
      LaneMask mask(m);
      if (mask.any()) {
        for (int lane = mask.PopLowest(); lane >= 0; lane = mask.PopLowest()) {
          int marker = testAt(p + lane);
          if (marker >= 0) return Hit{p + lane, marker};
        }
      }
      p += 16;
    }
    for (; p < end; ++p) {
      int marker = testAt(p);
      if (marker >= 0) return Hit{p, marker};
    }
  }
  return Hit{end, -1};
}

}  // namespace tessaro
