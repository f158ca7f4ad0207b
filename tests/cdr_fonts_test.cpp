// CorelDRAW chunks and font records: real documents, and synthetic chunks compressed with zlib
// for the edge cases of the chunk walk and of the narrow/wide decision.

#include "engine/discovery/cdr_fonts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "document_test_support.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

using document_test::DataPath;
using document_test::ReadFile;
using document_test::TempFolder;
using document_test::WriteFile;
using Names = std::set<std::string>;
using namespace std::string_view_literals;

const Byte* AsBytes(std::string_view s) { return reinterpret_cast<const Byte*>(s.data()); }

std::string Le32(std::uint32_t v) {
  return {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
          static_cast<char>(v >> 24)};
}

std::string Wide(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  }
  return bytes;
}

// The tag and the 22 bytes before the name; none of them zero, so the name's start is clear.
std::string RecordHead() { return "font" + std::string(22, '\x01'); }

std::string NarrowRecord(std::string_view name, std::size_t zeros = 1) {
  return RecordHead() + std::string(name) + std::string(zeros, '\0');
}

std::string WideRecord(std::u16string_view name) {
  return RecordHead() + Wide(name) + std::string(2, '\0');
}

// Bytes between records, as real documents have them (no zero byte, no "font").
const std::string kOtherData = "%H\x03\xe4\x03X\x04\xa8_\x9b";

std::string Compress(std::string_view data) {
  uLongf size = compressBound(data.size());
  std::string out(size, '\0');
  compress2(reinterpret_cast<Bytef*>(out.data()), &size, AsBytes(data), data.size(), 9);
  out.resize(size);
  return out;
}

// A "cmpr" chunk: tag, C, U, K, 12 unread bytes, the C bytes of `compressed`, K bytes of filler.
// A `declaredCompressed` size replaces the true C in the header.
std::string Chunk(std::string_view compressed, std::uint32_t uncompressed, std::uint32_t third = 0,
                  std::optional<std::uint32_t> declaredCompressed = std::nullopt) {
  std::uint32_t c = declaredCompressed.value_or(static_cast<std::uint32_t>(compressed.size()));
  return "cmpr" + Le32(c) + Le32(uncompressed) + Le32(third) + std::string(12, '\x07') +
         std::string(compressed) + std::string(third, '\x05');
}

std::string ZlibChunk(std::string_view data, std::uint32_t third = 0) {
  return Chunk(Compress(data), data.size(), third);
}

// A CorelDRAW document of the given RIFF form type ("CDRB", ...) holding `body`.
std::string Document(std::string_view form, std::string_view body) {
  return "RIFF" + Le32(4 + body.size()) + std::string(form) + "vrsn" + std::string(body);
}

Names ScanRecords(std::string_view bytes, int version) {
  DocumentFontSet set;
  ScanCdrFontRecords(AsBytes(bytes), bytes.size(), set, version);
  return set;
}

Names Extract(std::string_view document) {
  DocumentFontSet set;
  ExtractCdrFonts(AsBytes(document), document.size(), set);
  return set;
}

// Bytes that compress badly and hold no zero byte and no "f" (so no "font" either).
std::string Noise(std::size_t size) {
  std::mt19937 random(1234);
  std::string bytes(size, '\0');
  for (char& b : bytes) {
    do b = static_cast<char>(random() & 0xFF);
    while (b == 0 || b == 'f');
  }
  return bytes;
}

class CdrFontsTest : public testing::Test {
 protected:
  // Wide names are converted to the ANSI code page: pin it to UTF-8 so expectations are fixed.
  void SetUp() override { platform::SetAnsiCodePage(platform::kUtf8CodePage); }
  void TearDown() override { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

TEST_F(CdrFontsTest, RealDocumentsGiveTheirFonts) {
  const struct {
    const char* file;
    Names fonts;
  } cases[] = {
      // CorelDRAW 11: narrow names in records with other data between them.
      {"coreldraw/corel11-fonttable.cdr",
       {"AvantGarde Bk BT", "Arial Unicode MS", "Arial", "Wingdings"}},
      // CorelDRAW 12: UTF-16 names.
      {"coreldraw/probe-v12.cdr", {"Arial", "Wingdings"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(document_test::LackFontNames(DataPath(c.file)), c.fonts) << c.file;
  }
}

TEST_F(CdrFontsTest, DocumentVersionFromTheRiffFormType) {
  const struct {
    std::string_view head;
    int version;
  } cases[] = {
      {"RIFF\0\0\0\0CDR7"sv, 7},  {"RIFF\0\0\0\0CDR9"sv, 9},      {"RIFF\0\0\0\0CDRA"sv, 10},
      {"RIFF\0\0\0\0CDRB"sv, 11}, {"RIFF\0\0\0\0CDRCvrsn"sv, 12}, {"RIFF\0\0\0\0CDRE"sv, 14},
      {"RIFX\0\0\0\0CDRB"sv, 0},  {"RIFF\0\0\0\0cdrB"sv, 0},      {"RIFF\0\0\0\0CDR?"sv, 0},
      {"RIFF\0\0\0\0CDR"sv, 0},   {"PK\3\4\0\0\0\0CDRB"sv, 0},    {""sv, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CdrDocumentVersion(AsBytes(c.head), c.head.size()), c.version) << c.head;
  }
}

TEST_F(CdrFontsTest, RecordScan) {
  // A narrow name followed by other data, read as UTF-16: "Ar" "ia" "l\0" "Q\0" then a zero unit.
  const std::string lone = NarrowRecord("Arial") + "Q" + std::string(3, '\0');
  const std::string loneAsWide = "\xe7\x89\x81\xe6\x85\xa9lQ";  // U+7241 U+6169 'l' 'Q'
  // A wide name whose bytes from its fifth unit on spell "font": the scan resumes there (its
  // start plus 8, its count of units) and finds a record whose name lies after the first name.
  const std::u16string hidesTag =
      u"ABCD\x6f66\x746e"
      u"EF";
  const std::string resumed = RecordHead() + Wide(hidesTag) + std::string(2, '\0') +
                              std::string(16, '\x02') + Wide(u"Tahoma") + std::string(2, '\0');
  const struct {
    const char* what;
    std::string bytes;
    int version;
    Names names;
  } cases[] = {
      {"adjacent narrow records",
       NarrowRecord("Arial", 3) + NarrowRecord("Tahoma"),
       0,
       {"Arial", "Tahoma"}},
      {"a lone record of unknown version is wide", lone, 0, {loneAsWide}},
      {"a lone record of version 11 is narrow", lone, 11, {"Arial"}},
      {"a lone record of version 7 is narrow", lone, 7, {"Arial"}},
      {"a lone record of version 12 is wide", lone, 12, {loneAsWide}},
      {"a version below 7 is unknown: wide", lone, 6, {loneAsWide}},
      {"records of version 11 with other data between them",
       NarrowRecord("AvantGarde Bk BT") + kOtherData + NarrowRecord("Arial") + kOtherData,
       11,
       {"AvantGarde Bk BT", "Arial"}},
      {"adjacent narrow records decide narrow even in version 12",
       NarrowRecord("Arial", 2) + NarrowRecord("Tahoma"),
       12,
       {"Arial", "Tahoma"}},
      {"wide records of version 12",
       WideRecord(u"Arial") + kOtherData + WideRecord(u"Wingdings"),
       12,
       {"Arial", "Wingdings"}},
      {"a five-letter wide name gives five bytes", WideRecord(u"Arial"), 0, {"Arial"}},
      {"the scan resumes by the count of units, not bytes",
       resumed,
       0,
       {"ABCD\xe6\xbd\xa6\xe7\x91\xae"
        "EF",
        "Tahoma"}},
      {"the decision of the first record holds for the later ones",
       NarrowRecord("Arial", 2) + NarrowRecord("B") + "x" + kOtherData + WideRecord(u"C"),
       0,
       {"Arial", "B", "C"}},
      {"a narrow name is cut to 63 bytes",
       NarrowRecord(std::string(70, 'n')) + NarrowRecord("next"),
       0,
       {std::string(63, 'n'), "next"}},
      {"a wide name is cut to 63 units",
       WideRecord(std::u16string(70, u'w')),
       12,
       {std::string(63, 'w')}},
      {"a narrow name running past the end stops there", RecordHead() + "Aria", 11, {"Aria"}},
      {"a wide name running past the end stops there",
       RecordHead() + Wide(u"Ari") + "a",
       12,
       {"Ari"}},
      {"empty narrow name", NarrowRecord("", 1) + NarrowRecord("B"), 0, {"", "B"}},
      {"a record whose name begins at the very end", RecordHead(), 12, {""}},
      {"a tag too close to the end has no name", "font" + std::string(21, '\x01'), 12, {}},
      {"no records", "nothing here", 11, {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanRecords(c.bytes, c.version), c.names) << c.what;
  }
}

TEST_F(CdrFontsTest, WideNamesAreConvertedToTheAnsiCodePage) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  EXPECT_EQ(ScanRecords(WideRecord(u"\u5b8b\u4f53"), 12), Names{"\xcb\xce\xcc\xe5"});  // SimSun
  // A character without a GBK form becomes the default character.
  EXPECT_EQ(ScanRecords(WideRecord(u"A\u0e01B"), 12), Names{"A?B"});
  // 32 double-byte characters need 64 bytes: the name is cut before the one that does not fit.
  EXPECT_EQ(ScanRecords(WideRecord(std::u16string(32, u'\u5b8b')), 12), Names{[] {
              std::string s;
              for (int i = 0; i < 31; ++i) s += "\xcb\xce";
              return s;
            }()});
}

TEST_F(CdrFontsTest, EveryChunkIsInflatedAndScanned) {
  std::string doc = Document(
      "CDRC", ZlibChunk(WideRecord(u"Arial") + kOtherData, 5) + "LIST" + Le32(8) +
                  ZlibChunk(WideRecord(u"Tahoma") + kOtherData + WideRecord(u"Wingdings")));
  EXPECT_EQ(Extract(doc), (Names{"Arial", "Tahoma", "Wingdings"}));
}

TEST_F(CdrFontsTest, EachChunkDecidesItsOwnWidth) {
  // No RIFF header: the version is unknown, so a lone record reads wide.
  const std::string wideChunk = ZlibChunk(WideRecord(u"Wingdings") + kOtherData);
  const std::string narrowChunk = ZlibChunk(NarrowRecord("Arial", 2) + NarrowRecord("Tahoma"));
  EXPECT_EQ(Extract("XXXX" + wideChunk + narrowChunk), (Names{"Arial", "Tahoma", "Wingdings"}));
  EXPECT_EQ(Extract("XXXX" + narrowChunk + wideChunk), (Names{"Arial", "Tahoma", "Wingdings"}));
}

TEST_F(CdrFontsTest, ChunkWalkEdgeCases) {
  const std::string records = NarrowRecord("Arial", 2) + NarrowRecord("Tahoma");
  const std::string good = ZlibChunk(NarrowRecord("Wingdings", 2) + NarrowRecord("Symbol"));
  const Names goodNames = {"Symbol", "Wingdings"};
  // Records first, then noise, so that half of the compressed data already yields the records.
  const std::string long_ = records + Noise(64 * 1024);
  const std::string longCompressed = Compress(long_);
  const std::string compressed = Compress(records);
  std::string damagedMiddle = longCompressed;
  for (std::size_t i = damagedMiddle.size() / 2; i < damagedMiddle.size(); ++i)
    damagedMiddle[i] ^= 0x5A;
  const struct {
    const char* what;
    std::string body;
    Names names;
  } cases[] = {
      {"uncompressed size 0 gives nothing, the next chunk is read", Chunk(compressed, 0) + good,
       goodNames},
      {"compressed size 0 gives nothing", Chunk("", records.size(), 0) + good, goodNames},
      {"data that are not zlib give nothing", Chunk(std::string(40, '\x33'), 500) + good,
       goodNames},
      {"damaged data give the names inflated before the damage",
       Chunk(damagedMiddle, long_.size()) + good,
       {"Arial", "Tahoma", "Symbol", "Wingdings"}},
      {"a checksum error still gives the names",
       Chunk(compressed.substr(0, compressed.size() - 1) + "\xff", records.size()) + good,
       {"Arial", "Tahoma", "Symbol", "Wingdings"}},
      {"compressed data past the end: what lies inside is inflated",
       Chunk(longCompressed.substr(0, longCompressed.size() / 2), long_.size(), 0,
             longCompressed.size()),
       {"Arial", "Tahoma"}},
      {"an uncompressed size below the data's cuts the output",
       Chunk(compressed, 26 + 5 + 2 + 26 + 3),
       {"Arial", "Tah"}},
      {"a huge uncompressed size is capped, the names are read",
       Chunk(compressed, 0xFFFFFFFF) + good,
       {"Arial", "Tahoma", "Symbol", "Wingdings"}},
      {"28 + C wraps around in 32 bits: the walk ends, no endless loop",
       Chunk(compressed + good, records.size(), 0, 0xFFFFFFFF - 27),
       {"Arial", "Tahoma"}},
      {"28 + C + K wraps around in 32 bits",
       "cmpr" + Le32(0x80000000) + Le32(records.size()) + Le32(0x80000000 - 28) +
           std::string(12, '\0') + compressed + good,
       {"Arial", "Tahoma"}},
      {"a third size past the end ends the walk",
       "cmpr" + Le32(compressed.size()) + Le32(records.size()) + Le32(0xFFFFFFFF) +
           std::string(12, '\0') + compressed + good,
       {"Arial", "Tahoma"}},
      {"the compressed bytes are not searched for tags",
       Chunk(good, 200, 0, good.size()) + ZlibChunk(NarrowRecord("Impact")),
       {"Impact"}},
      {"a tag whose sizes are cut off by the end", good + "cmpr" + Le32(5) + Le32(5), goodNames},
      {"a header without data at the end", good + "cmpr" + Le32(5) + Le32(5) + Le32(0) + "abc",
       goodNames},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Extract(Document("CDRB", c.body)), c.names) << c.what;
  }
}

// Chunks are inflated in memory: no buffer file appears in the current directory, and nothing
// beside the document.
TEST_F(CdrFontsTest, NothingIsWrittenInTheCurrentDirectoryOrBesideTheDocument) {
  TempFolder documents;
  TempFolder current;
  std::string path = documents / "drawing.cdr";
  WriteFile(path, ReadFile(DataPath("coreldraw/corel11-fonttable.cdr")));
  Names names;
  {
    document_test::CurrentDirectory inCurrent(current.path());
    names = document_test::LackFontNames(path);
  }
  EXPECT_EQ(names.size(), 4u);
  EXPECT_THAT(document_test::FolderEntries(current.path()), testing::IsEmpty());
  EXPECT_EQ(document_test::FolderEntries(documents.path()),
            std::vector<std::string>{"drawing.cdr"});
}

}  // namespace
}  // namespace corvid
