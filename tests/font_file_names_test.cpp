#include "engine/discovery/font_file_names.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/discovery/sfnt_names.h"
#include "platform/text_codec.h"
#include "test_support.h"

namespace corvid {
namespace {

using namespace std::string_literals;
using tessaro_test::DataPath;
using Names = FontFileNames;

std::string FontPath(const std::string& name) { return DataPath("fonts/" + name); }

class AnsiCodePage {
 public:
  explicit AnsiCodePage(platform::CodePage cp) { platform::SetAnsiCodePage(cp); }
  ~AnsiCodePage() { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

TEST(ConvertSfntName, PlatformsAndEncodings) {
  const struct {
    const char* what;
    std::uint16_t platform, encoding;
    std::string bytes;
    std::string text;  // in UTF-8, the narrow code page of this test
  } cases[] = {
      {"Microsoft UTF-16, high byte first", 3, 1, "\0A\0r\0i\0a\0l"s, "Arial"},
      {"an odd last byte is ignored", 3, 1, "\0A\0B\0"s, "AB"},
      {"UCS-4 encoding, outside the BMP", 3, 10, "\xD8\x3D\xDE\x00"s, "\xF0\x9F\x98\x80"},
      {"Microsoft Chinese UTF-16", 3, 1, "\x5B\x8B\x4F\x53"s, "宋体"},
      {"Microsoft PRC: GBK units, zero bytes dropped", 3, 3, "\xCB\xCE\xCC\xE5\0A"s, "宋体A"},
      {"Microsoft Symbol as ASCII", 3, 0, "\0S\0y"s, "Sy"},
      {"Unicode platform: zero bytes dropped, then UTF-8", 0, 3, "\0U\0n\0i"s, "Uni"},
      {"Unicode encoding 2 goes through UTF-16LE", 0, 2, "A\0B\0"s, "\xE4\x89\x81"},
      {"Macintosh Roman", 1, 0, "Caf\x8E"s, "Café"},
      {"Macintosh Japanese", 1, 1, "\x83\x65\x83\x58\x83\x67"s, "テスト"},
      {"Macintosh Devanagari has no converter: ASCII stays", 1, 9, "Dev\xA4"s, "Dev\uFFFD"},
      {"ISO platform: the narrow code page", 2, 0, "Plain"s, "Plain"},
      {"a NUL unit ends the text", 3, 1, "\0A\0\0\0B"s, "A"},
  };
  for (const auto& c : cases) {
    SfntName entry;
    entry.platformId = c.platform;
    entry.encodingId = c.encoding;
    entry.bytes = c.bytes;
    EXPECT_EQ(ConvertSfntName(entry, platform::kUtf8CodePage), c.text) << c.what;
  }
}

TEST(ConvertSfntName, LimitsAndDoubleByteNarrowCodePage) {
  std::u16string chinese(30, u'宋');
  std::string utf16be;
  for (char16_t u : chinese) utf16be += {static_cast<char>(u >> 8), static_cast<char>(u & 0xFF)};
  SfntName entry{3, 1, 0x804, 1, utf16be};
  // 30 characters are 90 bytes of UTF-8: cut to the 21 characters that fit in 63 bytes.
  std::string expected;
  for (int i = 0; i < 21; ++i) expected += "宋";
  EXPECT_EQ(ConvertSfntName(entry, platform::kUtf8CodePage), expected);
  // In GBK each character takes two bytes: all 30 fit.
  EXPECT_EQ(ConvertSfntName(entry, platform::kGbkCodePage).size(), 60u);

  std::string emoji = "\0A\xD8\x3D\xDE\x00"s;
  EXPECT_EQ(ConvertSfntName(SfntName{3, 1, 0x409, 4, emoji}, platform::kGbkCodePage), "A?");
  std::string seventy(140, '\0');
  for (int i = 0; i < 70; ++i) seventy[2 * i + 1] = 'L';
  EXPECT_EQ(ConvertSfntName(SfntName{3, 1, 0x409, 4, seventy}, platform::kUtf8CodePage),
            std::string(63, 'L'));
}

TEST(SfntNameCodePage, Table) {
  const platform::CodePage ANSI = platform::kAnsiCodePage;
  const struct {
    std::uint16_t platform, encoding;
    platform::CodePage codePage;
  } cases[] = {
      {0, 0, 65001}, {0, 2, 1200},  {0, 4, 10000}, {0, 5, ANSI},  {1, 0, 10000}, {1, 7, 10007},
      {1, 8, 20127}, {1, 9, 57002}, {1, 10, ANSI}, {1, 11, 57010}, {1, 17, 57009}, {1, 18, ANSI},
      {1, 21, 10021}, {1, 25, ANSI}, {1, 26, 10008}, {1, 31, 1258}, {1, 33, ANSI}, {1, 34, 20127},
      {1, 35, ANSI}, {3, 0, 20127}, {3, 2, 932},  {3, 3, 936},   {3, 4, 950},   {3, 5, 20949},
      {3, 6, 1361},  {3, 7, ANSI},  {3, 11, ANSI}, {2, 1, ANSI},  {4, 0, ANSI},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SfntNameCodePage(c.platform, c.encoding), c.codePage)
        << c.platform << "/" << c.encoding;
  }
}

TEST(ReadFontFileNames, FamilyThenNameTableEntriesInOrder) {
  AnsiCodePage utf8(platform::kUtf8CodePage);
  EXPECT_EQ(ReadFontFileNames(FontPath("names-mixed.ttf")),
            (Names{"Tessaro Mixed", "UniPS", "Café Mac", "テスト", "Tessaro Mixed",
                   "Tessaro Mixed Regular", "TessaroMixed-Regular", "宋体测试", "宋体"}));
  EXPECT_EQ(ReadFontFileNames(FontPath("collection.ttc")),
            (Names{"Tessaro Alpha", "Tessaro Alpha", "TessaroAlpha-Regular", "Tessaro Beta",
                   "Tessaro Beta", "TessaroBeta-Regular"}));
  EXPECT_EQ(ReadFontFileNames(FontPath("long-name.ttf")),
            (Names{"Tessaro Long", "Tessaro Long", std::string(63, 'L')}));
  // A bitmap font is no SFNT: only its family name.
  EXPECT_EQ(ReadFontFileNames(FontPath("bitmap.bdf")), (Names{"Tessaro Bitmap"}));
}

TEST(ReadFontFileNames, NamesInTheDoubleByteNarrowCodePage) {
  AnsiCodePage gbk(platform::kGbkCodePage);
  Names names = ReadFontFileNames(FontPath("names-mixed.ttf"));
  ASSERT_EQ(names.size(), 9u);
  EXPECT_EQ(names[7], "\xCB\xCE\xCC\xE5\xB2\xE2\xCA\xD4");  // 宋体测试
  EXPECT_EQ(names[3], "\xA5\xC6\xA5\xB9\xA5\xC8");          // テスト
}

TEST(ReadFontFileNames, PlaceholderFamilyIsLeftOutOnlyThere) {
  AnsiCodePage utf8(platform::kUtf8CodePage);
  EXPECT_EQ(ReadFontFileNames(FontPath("placeholder-family.ttf")),
            (Names{"方正兰亭黑", "FZLTH--GBK1-0"}));
  FontFileReader reader;
  EXPECT_EQ(reader.Read(FontPath("placeholder-family.ttf"), PlaceholderFamilies::kKeep),
            (Names{"?????", "方正兰亭黑", "FZLTH--GBK1-0"}));
}

TEST(ReadFontFileNames, RealFontAndNonFonts) {
  Names dejavu = ReadFontFileNames("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
  ASSERT_FALSE(dejavu.empty());
  EXPECT_EQ(dejavu.front(), "DejaVu Sans");
  EXPECT_NE(std::find(dejavu.begin(), dejavu.end(), "DejaVuSans"), dejavu.end());
  EXPECT_TRUE(ReadFontFileNames(DataPath("fonts/make_fonts.py")).empty());
  EXPECT_TRUE(ReadFontFileNames(DataPath("fonts/missing.ttf")).empty());
}

}  // namespace
}  // namespace corvid
