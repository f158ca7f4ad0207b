#include <gtest/gtest.h>

#include <string>

#include "platform/command_line.h"
#include "platform/file_view.h"
#include "platform/text_codec.h"
#include "test_support.h"

namespace platform {
namespace {

using tessaro_test::TempDir;
using tessaro_test::WriteFile;

TEST(TextCodec, Utf8DecodingReplacesInvalidBytes) {
  const struct {
    std::string bytes;
    std::u16string text;
  } cases[] = {
      {"Arial", u"Arial"},
      {"\xE5\xAE\x8B\xE4\xBD\x93", u"宋体"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},  // outside the BMP: a surrogate pair
      {"a\xFF" "b", u"a\uFFFDb"},
      {"\xC0\xAF", u"\uFFFD\uFFFD"},            // overlong form
      {"\xED\xA0\x80", u"\uFFFD\uFFFD\uFFFD"},  // an encoded surrogate
      {"\xE5\xAE", u"\uFFFD\uFFFD"},            // cut off
  };
  for (const auto& c : cases) {
    EXPECT_EQ(MultiByteToWide(c.bytes, kUtf8CodePage), c.text) << c.bytes;
  }
}

TEST(TextCodec, GbkRoundTripAndDefaultCharacter) {
  const std::string gbk = "\xCB\xCE\xCC\xE5";  // 宋体 in code page 936
  EXPECT_EQ(MultiByteToWide(gbk, kGbkCodePage), u"宋体");
  EXPECT_EQ(WideToMultiByte(u"宋体", kGbkCodePage), gbk);
  // Characters outside GBK become the default character, one per character.
  EXPECT_EQ(WideToMultiByte(u"A\U0001F600B", kGbkCodePage), "A?B");
  EXPECT_EQ(ConvertCodePage(gbk, kGbkCodePage, kUtf8CodePage), "宋体");
}

TEST(TextCodec, AnsiCodePageCanBeOverridden) {
  SetAnsiCodePage(kGbkCodePage);
  EXPECT_EQ(ResolveCodePage(kAnsiCodePage), kGbkCodePage);
  EXPECT_EQ(WideToMultiByte(u"宋体", kAnsiCodePage), "\xCB\xCE\xCC\xE5");
  SetAnsiCodePage(kAnsiCodePage);
  EXPECT_NE(ResolveCodePage(kAnsiCodePage), kAnsiCodePage);
}

TEST(TextCodec, LimitsCutBeforeACharacterThatDoesNotFit) {
  EXPECT_EQ(MultiByteToWide("abcdef", kUtf8CodePage, 4), u"abcd");
  EXPECT_EQ(MultiByteToWide("ab\xF0\x9F\x98\x80", kUtf8CodePage, 3), u"ab");  // no half pair
  EXPECT_EQ(WideToMultiByte(u"ab宋体", kUtf8CodePage, 6), "ab\xE5\xAE\x8B");  // no half character
  EXPECT_EQ(WideToMultiByte(u"ab宋体", kGbkCodePage, 5), "ab\xCB\xCE");
}

TEST(TextCodec, MissingConverterIsReported) {
  EXPECT_FALSE(MultiByteToWide("abc", 57002).has_value());  // ISCII Devanagari
  EXPECT_FALSE(WideToMultiByte(u"abc", 57002).has_value());
  EXPECT_EQ(MultiByteToWide("\x8A", 10000), u"ä");  // Mac Roman
}

TEST(FileView, MapsWholeFilesAndRefusesWhatCannotBeMapped) {
  TempDir dir;
  WriteFile(dir / "doc.bin", std::string("a\0b", 3));
  WriteFile(dir / "empty.bin", "");
  auto view = FileView::Open(dir / "doc.bin");
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->size(), 3u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(view->data()), 3), std::string("a\0b", 3));
  FileView moved = std::move(*view);
  EXPECT_EQ(moved.size(), 3u);
  EXPECT_FALSE(FileView::Open(dir / "empty.bin").has_value());
  EXPECT_FALSE(FileView::Open(dir / "missing.bin").has_value());
  EXPECT_FALSE(FileView::Open(dir.path()).has_value());  // a folder
}

TEST(SplitParameterLine, WindowsQuotingRules) {
  using Args = std::vector<std::string>;
  const struct {
    std::string line;
    Args args;
  } cases[] = {
      {"x -o+ \"D:\\dl\\a.rar\" \"D:\\ex\"", {"x", "-o+", "D:\\dl\\a.rar", "D:\\ex"}},
      {"  a\t b  ", {"a", "b"}},
      {"\"with space\" tail", {"with space", "tail"}},
      {"a\"b c\"d", {"ab cd"}},
      {"\\\\\"q\"", {"\\q"}},          // 2n backslashes + quote: n backslashes, the quote acts
      {"\\\"q", {"\"q"}},              // 2n+1: a literal quote
      {"a\\b\\\\c", {"a\\b\\\\c"}},     // backslashes not before a quote are literal
      {"\"a\"\"b\"", {"a\"b"}},        // a doubled quote inside quotes
      {"\"\"", {""}},
      {"", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SplitParameterLine(c.line), c.args) << c.line;
  }
}

}  // namespace
}  // namespace platform
