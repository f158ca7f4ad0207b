// The font table of CorelDRAW X6 and later: the "font" chunks of the root member, the data file
// list and the records the chunks refer to; the real document's root member and synthetic ones.

#include "engine/discovery/cdr_font_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "document_test_support.h"
#include "engine/discovery/cdr_container.h"
#include "engine/discovery/cdr_fonts.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

using document_test::DataPath;
using document_test::ReadFile;
using Names = DocumentFontSet;
using Refs = std::vector<CdrStreamReference>;
using testing::ElementsAre;
using namespace std::string_literals;

const Byte* AsBytes(std::string_view s) { return reinterpret_cast<const Byte*>(s.data()); }

std::string Le16(std::uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string Le32(std::uint32_t v) { return Le16(v) + Le16(v >> 16); }

std::string Wide(std::u16string_view text) {
  std::string bytes;
  for (char16_t unit : text) bytes += Le16(unit);
  return bytes;
}

std::string Chunk(std::string_view tag, std::string_view body) {
  return std::string(tag) + Le32(static_cast<std::uint32_t>(body.size())) + std::string(body);
}

std::string List(std::string_view type, std::string_view children) {
  return "LIST" + Le32(static_cast<std::uint32_t>(4 + children.size())) + std::string(type) +
         std::string(children);
}

std::string Root(std::string_view chunks) {
  return "RIFF" + Le32(static_cast<std::uint32_t>(4 + chunks.size())) + "CDRH" +
         std::string(chunks);
}

// A 16-byte reference body: stream, length, offset and four bytes not read.
std::string Reference(std::uint32_t stream, std::uint32_t length, std::uint32_t offset) {
  return Le32(stream) + Le32(length) + Le32(offset) + Le32(0);
}

std::string FontChunk(std::uint32_t stream, std::uint32_t length, std::uint32_t offset) {
  return Chunk("font", Reference(stream, length, offset));
}

// A record as CorelDRAW writes it: font id, character set, 14 bytes, the name in a field of 32
// units, then more description (the script name).
std::string Record(std::u16string_view name, std::uint16_t charset = 0) {
  std::string field = Wide(name);
  field.resize(64, '\0');
  return Le16(5) + Le16(charset) + Le32(0x40) + "\x02\x0b\x06\x04\x02\x02\x02\x02\x02\x04"s +
         field + "\0\0"s + Wide(u"Western") + std::string(8, '\0');
}

Refs References(std::string_view root) { return FindCdrFontReferences(AsBytes(root), root.size()); }

class CdrFontTableTest : public testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(platform::kUtf8CodePage); }
  void TearDown() override { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

TEST_F(CdrFontTableTest, TheRealRootMember) {
  const std::string document = ReadFile(DataPath("coreldraw/TextHintTest-x4.cdr"));
  std::vector<CdrContainerMember> members =
      ReadCdrContainerMembers(AsBytes(document), document.size(), [](std::string_view name) {
        return name == "content/root.dat" || name == "content/dataFileList.dat" ||
               name == "content/data/data1.dat";
      });
  ASSERT_EQ(members.size(), 3u);
  const std::string& data = members[0].bytes;
  const std::string& list = members[1].bytes;
  const std::string& root = members[2].bytes;
  // Three records in the first stream: Arial (Western), MS Gothic (Japanese), Arial (Arabic).
  const Refs references = References(root);
  EXPECT_EQ(references, (Refs{{0, 0x128, 0x2f79}, {0, 0x128, 0x30a1}, {0, 0x128, 0x31c9}}));
  EXPECT_THAT(ParseCdrDataFileList(list), ElementsAre("data1.dat", "masterPage.dat", "page1.dat"));
  Names set;
  for (const CdrStreamReference& reference : references) {
    AddCdrFontTableRecord(data, reference, set);
  }
  EXPECT_EQ(set, (Names{"Arial", "MS Gothic"}));
}

TEST_F(CdrFontTableTest, FontChunksOfTheRootMember) {
  const std::string font1 = FontChunk(0, 0x128, 0x100);
  const std::string font2 = FontChunk(2, 0x40, 0x200);
  const std::string flags = Chunk("flgs", Le32(0xFFFFFFFF) + Le32(4) + "\x40\0\0\x90"s + Le32(0));
  const struct {
    const char* what;
    std::string root;
    Refs references;
  } cases[] = {
      {"font chunks in a list among others",
       Root(Chunk("fver", Reference(0, 8, 0)) + List("doc ", flags + List("fntt", font1 + font2)) +
            List("page", flags)),
       {{0, 0x128, 0x100}, {2, 0x40, 0x200}}},
      {"at the top level and in lists nested three deep",
       Root(font1 + List("a   ", List("b   ", List("c   ", font2)))),
       {{0, 0x128, 0x100}, {2, 0x40, 0x200}}},
      {"a font chunk whose body is not a reference",
       Root(Chunk("font", Reference(0, 1, 2) + "xx") + Chunk("font", "abcd") + font2),
       {{2, 0x40, 0x200}}},
      {"an odd body is padded to an even size",
       Root(Chunk("odd ", "abc") + "\0"s + font1),
       {{0, 0x128, 0x100}}},
      {"\"font\" inside another chunk's body is no chunk",
       Root(Chunk("blob", "font" + Le32(16) + Reference(1, 2, 3)) + font2),
       {{2, 0x40, 0x200}}},
      {"a chunk whose body runs past the end ends the walk",
       Root(font1 + "stlt" + Le32(1000) + font2),
       {{0, 0x128, 0x100}}},
      {"a size near 2^32 ends the walk",
       Root(font1 + "stlt" + Le32(0xFFFFFFFF) + font2),
       {{0, 0x128, 0x100}}},
      {"cut inside a font chunk", Root(font1 + font2).substr(0, 12 + 24 + 20), {{0, 0x128, 0x100}}},
      {"cut inside a chunk header", Root(font1 + "LIST\x10\0\0"s), {{0, 0x128, 0x100}}},
      {"cut inside a list header", Root(font1 + "LIST" + Le32(16) + "fn"), {{0, 0x128, 0x100}}},
      {"the RIFF's own size is not relied on",
       "RIFF" + Le32(4) + "CDRH" + font1 + font2,
       {{0, 0x128, 0x100}, {2, 0x40, 0x200}}},
      {"no RIFF header", "RIFX" + Le32(28) + "CDRH" + font1, {}},
      {"only the header", Root(""), {}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(References(c.root), c.references) << c.what;
  }
}

TEST_F(CdrFontTableTest, DataFileList) {
  const struct {
    std::string_view list;
    std::vector<std::string> names;
  } cases[] = {
      {"data1.dat\nmasterPage.dat\npage1.dat", {"data1.dat", "masterPage.dat", "page1.dat"}},
      {"data1.dat\r\npage1.dat\r\n", {"data1.dat", "page1.dat"}},
      {"a.dat\n\nb.dat\n", {"a.dat", "", "b.dat"}},  // an empty line keeps its index
      {"\n", {""}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseCdrDataFileList(c.list), c.names) << c.list;
  }
  EXPECT_EQ(CdrDataStreamMember("data1.dat"), "content/data/data1.dat");
}

TEST_F(CdrFontTableTest, Records) {
  const std::string arial = Record(u"Arial");
  const std::string padded = "xxxx" + arial + Record(u"Tahoma");
  const std::uint32_t size = static_cast<std::uint32_t>(arial.size());
  const struct {
    const char* what;
    std::string stream;
    CdrStreamReference reference;
    Names names;
  } cases[] = {
      {"a record at the stream's start", arial, {0, size, 0}, {"Arial"}},
      {"a record inside the stream", padded, {0, size, 4 + size}, {"Tahoma"}},
      {"the record's length bounds the name", padded, {0, 18 + 6, 4}, {"Ari"}},
      {"an odd length leaves the last byte out", padded, {0, 18 + 7, 4}, {"Ari"}},
      {"a record too short for one unit", padded, {0, 19, 4}, {}},
      {"an empty name names no font", Record(u""), {0, size, 0}, {}},
      {"a name without its zero unit ends with the record",
       Le16(1) + Le16(0) + std::string(14, '\x01') + Wide(u"Symbol"),
       {0, 18 + 12, 0},
       {"Symbol"}},
      {"a name is cut to 63 units",
       Le16(1) + Le16(0) + std::string(14, '\x01') + Wide(std::u16string(80, u'w')) + "\0\0"s,
       {0, 18 + 162, 0},
       {std::string(63, 'w')}},
      {"a record running past the end", arial, {0, size + 1, 0}, {}},
      {"a record beginning past the end", arial, {0, 20, size + 1}, {}},
      {"a record beginning at the very end", arial, {0, 20, size}, {}},
      {"offset plus length past 2^32", arial, {0, 0xFFFFFFF0, 0x20}, {}},
      {"an offset near 2^32", arial, {0, 0x40, 0xFFFFFFF0}, {}},
      {"an empty stream", "", {0, 20, 0}, {}},
  };
  for (const auto& c : cases) {
    Names set;
    AddCdrFontTableRecord(c.stream, c.reference, set);
    EXPECT_EQ(set, c.names) << c.what;
  }
}

TEST_F(CdrFontTableTest, OneFontWithSeveralCharacterSetsIsOneName) {
  const std::string stream = Record(u"Arial", 0) + Record(u"Arial", 0xB2) + Record(u"Arial", 0xCC);
  const std::uint32_t size = static_cast<std::uint32_t>(stream.size() / 3);
  Names set;
  for (std::uint32_t i = 0; i < 3; ++i) AddCdrFontTableRecord(stream, {0, size, i * size}, set);
  EXPECT_EQ(set, Names{"Arial"});
}

TEST_F(CdrFontTableTest, NamesGoToTheAnsiCodePage) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  const std::string simsun = Record(u"\u5b8b\u4f53");
  Names set;
  AddCdrFontTableRecord(simsun, {0, static_cast<std::uint32_t>(simsun.size()), 0}, set);
  EXPECT_EQ(set, Names{"\xcb\xce\xcc\xe5"});
}

}  // namespace
}  // namespace corvid
