#include "engine/discovery/pdf_font_names.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/text_codec.h"

namespace corvid {
namespace {

using namespace std::string_literals;

// Runs a test with kAnsiCodePage standing for `codePage`.
class AnsiCodePage {
 public:
  explicit AnsiCodePage(platform::CodePage codePage) { platform::SetAnsiCodePage(codePage); }
  ~AnsiCodePage() { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

struct Read {
  std::string bytes;
  std::size_t consumed;
};

std::optional<Read> ReadValue(std::string_view text) {
  const Byte* begin = reinterpret_cast<const Byte*>(text.data());
  std::optional<PdfNameOrString> value = ReadPdfNameOrString(begin, begin + text.size());
  if (!value) return std::nullopt;
  return Read{value->bytes, static_cast<std::size_t>(value->next - begin)};
}

TEST(ReadPdfNameOrString, NamesAndStrings) {
  const struct {
    const char* what;
    std::string text;
    std::string bytes;
    std::size_t consumed;
  } cases[] = {
      {"a name ends at white space", "/Arial /Flags", "Arial", 6},
      {"a name ends at any delimiter", "/Arial>>", "Arial", 6},
      {"the next key's slash", "/Arial/Flags", "Arial", 6},
      {"escapes decoded", "/NVCFEO#2BCalibri-Bold\n", "NVCFEO+Calibri-Bold", 22},
      {"GBK bytes as escapes", "/#BA#DA#CC#E5 ", "\xBA\xDA\xCC\xE5", 13},
      {"the empty name", "/ /x", "", 1},
      {"a name up to the end of the block", "/Cut", "Cut", 4},
      {"a hex string", "<d0a1b1eacbce>/ItalicAngle", "\xD0\xA1\xB1\xEA\xCB\xCE", 14},
      {"hex digits in both cases, with white space", "<D0 a1\nB1>", "\xD0\xA1\xB1", 10},
      {"an odd last digit is followed by 0", "<4142 4>", "AB@", 8},
      {"the empty hex string", "<>", "", 2},
      {"a literal string", "(ABCDEF+Arial) /x", "ABCDEF+Arial", 14},
      {"balanced parentheses", "(A(B)C)", "A(B)C", 7},
      {"escapes of a literal string", "(\\(\\)\\\\\\n\\r\\t\\b\\f\\q)", "()\\\n\r\t\b\fq", 20},
      {"octal escapes of one to three digits", "(\\320\\241\\53x\\0a)", "\xD0\xA1+x\0a"s, 17},
      {"a backslash at the end of a line continues it", "(Ari\\\r\nal\\\nBlack)", "ArialBlack", 17},
      {"an end of line in any form is a line feed", "(a\r\nb\rc\nd)", "a\nb\nc\nd", 10},
  };
  for (const auto& c : cases) {
    std::optional<Read> read = ReadValue(c.text);
    ASSERT_TRUE(read) << c.what;
    EXPECT_EQ(read->bytes, c.bytes) << c.what;
    EXPECT_EQ(read->consumed, c.consumed) << c.what;
  }
}

TEST(ReadPdfNameOrString, OtherValuesGiveNothing) {
  const struct {
    const char* what;
    std::string text;
  } cases[] = {
      {"a reference", "12 0 R /ItalicAngle 0"},
      {"a number", "0 /Flags 4"},
      {"a dictionary", "<< /Type /Font >>"},
      {"an array", "[/Arial]"},
      {"white space first", " /Arial"},
      {"nothing", ""},
      {"a hex string with a non-hex byte", "<d0a1 xyz>"},
      {"an unclosed hex string", "<d0a1"},
      {"an unclosed literal string", "(Arial (Bold)"},
      {"a string too long to be a name", "(" + std::string(kMaxPdfStringValueBytes + 1, 'x') + ")"},
      {"a hex string too long to be a name",
       "<" + std::string(2 * kMaxPdfStringValueBytes + 2, 'a') + ">"},
  };
  for (const auto& c : cases) {
    EXPECT_FALSE(ReadValue(c.text)) << c.what;
  }
  EXPECT_TRUE(ReadValue("(" + std::string(kMaxPdfStringValueBytes, 'x') + ")"));
}

TEST(NormalizePdfFontName, OnAUtf8System) {
  AnsiCodePage utf8(platform::kUtf8CodePage);
  const struct {
    const char* what;
    std::string bytes;
    std::string name;
  } cases[] = {
      {"a plain name", "Arial-BoldMT", "Arial-BoldMT"},
      {"a subset tag", "ABCDEF+Arial", "Arial"},
      {"a subset tag that was escaped", "NVCFEO+Calibri-Bold", "Calibri-Bold"},
      {"only one tag, a second plus sign stays", "ABCDEF+Foo+Bar", "Foo+Bar"},
      {"no tag without six capitals", "AB+Foo", "AB+Foo"},
      {"no tag with a small letter", "ABCDEf+Foo", "ABCDEf+Foo"},
      {"no tag with a digit", "ABCDE1+Foo", "ABCDE1+Foo"},
      {"a tag alone leaves the empty name", "ABCDEF+", ""},
      {"Family,Bold gives the family", "Segoe UI,Bold", "Segoe UI"},
      {"Family,Italic", "Arial,Italic", "Arial"},
      {"Family,BoldItalic", "TimesNewRoman,BoldItalic", "TimesNewRoman"},
      {"tag and style", "ABCDEE+Segoe UI,Bold", "Segoe UI"},
      {"any other comma ends the name too", "Foo,Bar,Baz", "Foo"},
      {"a name ends at its first NUL", "Ab\0cd"s, "Ab"},
      {"GBK bytes are read as a Chinese system reads them", "\xBA\xDA\xCC\xE5", "黑体"},
      {"a tagged GBK name", "ABCDEF+\xD0\xA1\xB1\xEA\xCB\xCE", "小标宋"},
      {"GBK with a style", "\xCB\xCE\xCC\xE5,Bold", "宋体"},
      {"UTF-8 stays UTF-8", "微软雅黑", "微软雅黑"},
      {"a UTF-16BE text string", "\xFE\xFF\x9E\xD1\x4F\x53", "黑体"},
      {"a UTF-16BE text string ends at a NUL unit", "\xFE\xFF\0A\0\0\0B"s, "A"},
      {"a UTF-8 text string",
       "\xEF\xBB\xBF"
       "ABCDEF+微软雅黑",
       "微软雅黑"},
      {"EUC-KR bytes give what a Chinese system shows", "\xB1\xBC\xB8\xB2", "奔覆"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizePdfFontName(c.bytes), c.name) << c.what;
  }
}

TEST(NormalizePdfFontName, UnderCodePage936NothingChanges) {
  AnsiCodePage gbk(platform::kGbkCodePage);
  const struct {
    const char* what;
    std::string bytes;
    std::string name;
  } cases[] = {
      {"GBK bytes stay", "\xBA\xDA\xCC\xE5", "\xBA\xDA\xCC\xE5"},
      {"a tagged GBK name", "ABCDEF+\xD0\xA1\xB1\xEA\xCB\xCE", "\xD0\xA1\xB1\xEA\xCB\xCE"},
      {"EUC-KR bytes stay as the Chinese system reads them", "\xB1\xBC\xB8\xB2",
       "\xB1\xBC\xB8\xB2"},
      {"a UTF-16BE text string in GBK", "\xFE\xFF\x9E\xD1\x4F\x53", "\xBA\xDA\xCC\xE5"},
      {"ASCII", "ABCDEF+Arial,Bold", "Arial"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NormalizePdfFontName(c.bytes), c.name) << c.what;
  }
}

TEST(NameBytesToNarrow, BytesNoChineseSystemReadsStillGiveValidText) {
  AnsiCodePage utf8(platform::kUtf8CodePage);
  // 0xFF is no byte of GB18030: it becomes U+FFFD, and the name stays valid UTF-8.
  EXPECT_EQ(NameBytesToNarrow("A\xFF"
                              "B",
                              259),
            "A\xEF\xBF\xBD"
            "B");
  // Cut before a character that does not fit: 黑 takes three bytes in UTF-8.
  EXPECT_EQ(NameBytesToNarrow("\xBA\xDA\xCC\xE5", 5), "黑");
  EXPECT_EQ(NameBytesToNarrow("黑体", 5), "黑");
  EXPECT_EQ(NameBytesToNarrow(std::string(300, 'N'), 259), std::string(259, 'N'));
}

TEST(NormalizePdfFontName, LongNamesAreCutBeforeACharacter) {
  AnsiCodePage utf8(platform::kUtf8CodePage);
  std::string gbk;
  for (int i = 0; i < 100; ++i) gbk += "\xBA\xDA";  // 100 x 黑: 300 bytes in UTF-8
  std::string name = NormalizePdfFontName(gbk);
  EXPECT_EQ(name.size(), 258u);
  EXPECT_EQ(name.substr(0, 3), "黑");
}

TEST(IsStandardPdfFontName, TheFourteen) {
  for (const char* name :
       {"Times-Roman", "Times-Bold", "Times-Italic", "Times-BoldItalic", "Helvetica",
        "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique", "Courier", "Courier-Bold",
        "Courier-Oblique", "Courier-BoldOblique", "Symbol", "ZapfDingbats"}) {
    EXPECT_TRUE(IsStandardPdfFontName(name)) << name;
  }
  for (const char* name : {"Arial", "HeiseiMin-W3", "helvetica", "Helvetica-Narrow", "Times", ""}) {
    EXPECT_FALSE(IsStandardPdfFontName(name)) << name;
  }
}

}  // namespace
}  // namespace corvid
