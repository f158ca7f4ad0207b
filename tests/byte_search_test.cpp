#include "engine/discovery/byte_search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace corvid {
namespace {

const Byte* B(const std::string& s) { return reinterpret_cast<const Byte*>(s.data()); }

// The byte-by-byte definitions the fast searches must agree with.
long NaiveFirst(const std::string& hay, std::size_t from, const std::string& needle) {
  for (std::size_t p = from; p + needle.size() <= hay.size(); ++p) {
    if (hay.compare(p, needle.size(), needle) == 0) return static_cast<long>(p);
  }
  return -1;
}

long NaiveLast(const std::string& hay, const std::string& needle) {
  if (needle.size() > hay.size()) return -1;
  for (long p = static_cast<long>(hay.size() - needle.size()); p >= 0; --p) {
    if (hay.compare(p, needle.size(), needle) == 0) return p;
  }
  return -1;
}

long Offset(const Byte* hit, const std::string& hay) {
  return hit == B(hay) + hay.size() ? -1 : static_cast<long>(hit - B(hay));
}

// Random texts over a tiny alphabet make matches, near-misses and matches at the block edges
// frequent, across every alignment of the 16-byte vector steps.
TEST(ByteSearch, AgreesWithByteByByteSearchOnRandomTexts) {
  std::mt19937 rng(12345);
  const std::string alphabet = "ab<c/";
  const std::vector<std::string> needles = {"a", "ab", "aab", "<c/", "abcab", "c/c/ab<a", "b<"};
  for (int round = 0; round < 3000; ++round) {
    std::string hay(rng() % 70, ' ');
    for (char& c : hay) c = alphabet[rng() % alphabet.size()];
    std::size_t from = hay.empty() ? 0 : rng() % (hay.size() + 1);
    for (const std::string& needle : needles) {
      SCOPED_TRACE("hay=" + hay + " needle=" + needle + " from=" + std::to_string(from));
      const Byte* end = B(hay) + hay.size();
      EXPECT_EQ(Offset(FindFirst(B(hay) + from, end, needle), hay), NaiveFirst(hay, from, needle));
      EXPECT_EQ(Offset(FindLast(B(hay), end, needle), hay), NaiveLast(hay, needle));
    }
  }
}

TEST(ByteSearch, MarkerSetFindsEarliestPositionAndFirstMarkerInOrder) {
  std::mt19937 rng(777);
  const std::string alphabet = "<>/x ";
  // "</" and "<" start alike; "/x" and "/x/" overlap: the earlier marker of the set must win.
  const std::vector<std::string> markers = {"</x", "<x", "/x/", "/x", ">>"};
  MarkerSet set{markers[0], markers[1], markers[2], markers[3], markers[4]};
  for (int round = 0; round < 3000; ++round) {
    std::string hay(rng() % 60, ' ');
    for (char& c : hay) c = alphabet[rng() % alphabet.size()];
    long expectedAt = -1;
    int expectedMarker = -1;
    for (std::size_t p = 0; p < hay.size() && expectedAt < 0; ++p) {
      for (std::size_t m = 0; m < markers.size(); ++m) {
        if (hay.compare(p, markers[m].size(), markers[m]) == 0) {
          expectedAt = static_cast<long>(p);
          expectedMarker = static_cast<int>(m);
          break;
        }
      }
    }
    MarkerSet::Hit hit = set.FindNext(B(hay), B(hay) + hay.size());
    ASSERT_EQ(Offset(hit.at, hay), expectedAt) << hay;
    ASSERT_EQ(hit.marker, expectedMarker) << hay;
  }
}

TEST(ByteSearch, EitherByteAndEdgeCases) {
  const std::string hay(100, '.');
  std::string withPlus = hay;
  withPlus[37] = '+';
  withPlus[80] = '/';
  EXPECT_EQ(Offset(FindEitherByte(B(withPlus), B(withPlus) + 100, '+', '/'), withPlus), 37);
  EXPECT_EQ(Offset(FindEitherByte(B(withPlus) + 38, B(withPlus) + 100, '+', '/'), withPlus), 80);
  EXPECT_EQ(Offset(FindEitherByte(B(hay), B(hay) + 100, '+', '/'), hay), -1);
  // A needle longer than the block, and one that ends exactly at the block's end.
  EXPECT_EQ(FindFirst(B(hay), B(hay) + 3, "...."), B(hay) + 3);
  std::string tail = hay + "FontName";
  EXPECT_EQ(Offset(FindFirst(B(tail), B(tail) + tail.size(), "FontName"), tail), 100);
  EXPECT_EQ(Offset(FindLast(B(tail), B(tail) + tail.size(), "FontName"), tail), 100);
  // A match that would reach past the end of the searched range is not one.
  EXPECT_EQ(FindFirst(B(tail), B(tail) + tail.size() - 1, "FontName"), B(tail) + tail.size() - 1);
}

}  // namespace
}  // namespace corvid
