// The text codec's contract: conversions between narrow code pages and UTF-16.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/text_codec.h"

namespace platform_contract {

template <typename Backend>
class TextCodecContract : public testing::Test {};
TYPED_TEST_SUITE_P(TextCodecContract);

TYPED_TEST_P(TextCodecContract, Utf8DecodingReplacesInvalidBytes) {
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
    EXPECT_EQ(platform::MultiByteToWide(c.bytes, platform::kUtf8CodePage), c.text) << c.bytes;
  }
}

TYPED_TEST_P(TextCodecContract, GbkRoundTripAndDefaultCharacter) {
  using namespace platform;
  const std::string gbk = "\xCB\xCE\xCC\xE5";  // 宋体 in code page 936
  EXPECT_EQ(MultiByteToWide(gbk, kGbkCodePage), u"宋体");
  EXPECT_EQ(WideToMultiByte(u"宋体", kGbkCodePage), gbk);
  // Characters outside GBK become the default character, one per character.
  EXPECT_EQ(WideToMultiByte(u"A\U0001F600B", kGbkCodePage), "A?B");
  EXPECT_EQ(WideToMultiByte(u"A\U0001F600B", kGbkCodePage, std::string::npos, '_'), "A_B");
  EXPECT_EQ(ConvertCodePage(gbk, kGbkCodePage, kUtf8CodePage), "宋体");
  // A lead byte without its second byte becomes U+FFFD; the text around it stays.
  EXPECT_EQ(MultiByteToWide("a\x81\nb", kGbkCodePage), u"a\uFFFD\nb");
}

TYPED_TEST_P(TextCodecContract, AnsiCodePageCanBeOverridden) {
  using namespace platform;
  SetAnsiCodePage(kGbkCodePage);
  EXPECT_EQ(ResolveCodePage(kAnsiCodePage), kGbkCodePage);
  EXPECT_EQ(WideToMultiByte(u"宋体", kAnsiCodePage), "\xCB\xCE\xCC\xE5");
  EXPECT_EQ(MultiByteToWide("\xCB\xCE\xCC\xE5", kAnsiCodePage), u"宋体");
  SetAnsiCodePage(kAnsiCodePage);
  EXPECT_NE(ResolveCodePage(kAnsiCodePage), kAnsiCodePage);
  EXPECT_EQ(ResolveCodePage(kUtf8CodePage), kUtf8CodePage);
}

TYPED_TEST_P(TextCodecContract, LimitsCutBeforeACharacterThatDoesNotFit) {
  using namespace platform;
  EXPECT_EQ(MultiByteToWide("abcdef", kUtf8CodePage, 4), u"abcd");
  EXPECT_EQ(MultiByteToWide("ab\xF0\x9F\x98\x80", kUtf8CodePage, 3), u"ab");  // no half pair
  EXPECT_EQ(WideToMultiByte(u"ab宋体", kUtf8CodePage, 6), "ab\xE5\xAE\x8B");  // no half character
  EXPECT_EQ(WideToMultiByte(u"ab宋体", kGbkCodePage, 5), "ab\xCB\xCE");
}

TYPED_TEST_P(TextCodecContract, MissingConverterIsReported) {
  using namespace platform;
  EXPECT_FALSE(MultiByteToWide("abc", TypeParam::kCodePageWithoutConverter).has_value());
  EXPECT_FALSE(WideToMultiByte(u"abc", TypeParam::kCodePageWithoutConverter).has_value());
  EXPECT_EQ(MultiByteToWide("\x8A", 10000), u"ä");           // Mac Roman
  EXPECT_EQ(WideToMultiByte(u"é", 1252), "\xE9");             // Windows Western
  EXPECT_EQ(MultiByteToWide("\x82\xA0", 932), u"あ");         // Shift-JIS
  EXPECT_EQ(WideToMultiByte(u"\u00e9", kAsciiCodePage), "?");  // not in ASCII
}

REGISTER_TYPED_TEST_SUITE_P(TextCodecContract, Utf8DecodingReplacesInvalidBytes,
                            GbkRoundTripAndDefaultCharacter, AnsiCodePageCanBeOverridden,
                            LimitsCutBeforeACharacterThatDoesNotFit, MissingConverterIsReported);

}  // namespace platform_contract
