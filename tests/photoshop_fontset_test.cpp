// The /FontSet lists of Photoshop's pretty-printed text engine data: real documents of current
// versions, and small lists for the syntax, the escapes, the encodings and damaged data.

#include "engine/discovery/photoshop_font_lists.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "document_test_support.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

using namespace std::string_literals;
using Names = DocumentFontSet;

Names Scan(std::string_view bytes) {
  Names set;
  ScanPhotoshopFontLists(reinterpret_cast<const Byte*>(bytes.data()), bytes.size(), set);
  return set;
}

// A string's bytes as Photoshop writes a name: the byte-order mark, then UTF-16BE, with the
// bytes that would end or escape the string ( ) \ protected by a backslash.
std::string Utf16Name(std::u16string_view name) {
  std::string raw = "\xFE\xFF";
  for (char16_t unit : name) {
    raw.push_back(static_cast<char>(unit >> 8));
    raw.push_back(static_cast<char>(unit & 0xFF));
  }
  std::string escaped;
  for (char b : raw) {
    if (b == '(' || b == ')' || b == '\\') escaped.push_back('\\');
    escaped.push_back(b);
  }
  return escaped;
}

// One entry as Photoshop CS6 and later lay it out.
std::string Entry(const std::string& nameString, int fontType = 1) {
  return "\t\t<<\n\t\t\t/Name (" + nameString + ")\n\t\t\t/Script 0\n\t\t\t/FontType " +
         std::to_string(fontType) + "\n\t\t\t/Synthetic 0\n\t\t>>\n";
}

std::string FontSet(const std::string& entries) { return "\t\t/FontSet [\n" + entries + "\t\t]\n"; }

class PhotoshopFontListsTest : public testing::Test {
 protected:
  // UTF-16 names are converted to the ANSI code page: pin it so that expectations are fixed.
  void SetUp() override { platform::SetAnsiCodePage(platform::kUtf8CodePage); }
  void TearDown() override { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

TEST_F(PhotoshopFontListsTest, CurrentVersionDocuments) {
  const struct {
    const char* file;
    Names fonts;
  } cases[] = {
      {"photoshop/type-layer.psd",
       {"AdobeInvisFont", "ArialMT", "KozGoPr6N-Regular", "MyriadPro-Regular"}},
      {"photoshop/grinched-regular-font.psd",
       {"AdobeInvisFont", "CourierNewPSMT", "Grinched", "Tahoma"}},
      {"photoshop/effect-stroke-gradient-cc2018.psd",
       {"AdobeInvisFont", "Arial-BoldMT", "KozGoPr6N-Regular", "MyriadPro-Regular"}},
      // Older versions write the lists too, in their type layers.
      {"photoshop/pen-text.psd", {"AdobeInvisFont", "Courier", "TimesNewRomanPSMT"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Scan(document_test::ReadFile(document_test::DataPath(c.file))), c.fonts) << c.file;
  }
}

TEST_F(PhotoshopFontListsTest, Lists) {
  const struct {
    const char* what;
    std::string bytes;
    Names names;
  } cases[] = {
      {"entries laid out over lines and tabs",
       FontSet(Entry(Utf16Name(u"ArialMT")) + Entry(Utf16Name(u"AdobeInvisFont"), 0)),
       {"AdobeInvisFont", "ArialMT"}},
      {"no white space at all", "/FontSet[<</Name(A)/Script 0>><</Name(B)>>]", {"A", "B"}},
      {"carriage returns, form feeds and NULs are white space too",
       "/FontSet\r\n[\f<<\0/Name\r(A)\r>>\r]"s,
       {"A"}},
      {"every list of the block",
       FontSet(Entry("One")) + "/Other 1\n" + FontSet(Entry("Two")),
       {"One", "Two"}},
      {"a name used twice is one name", FontSet(Entry("A") + Entry("A")), {"A"}},
      {"the /Name of other lists is no font",
       "/KinsokuSet [ << /Name (PhotoshopKinsokuHard) /NoStart (x) >> ]\n"
       "/StyleSheetSet [ << /Name (Normal RGB) >> ]\n" +
           FontSet(Entry("ArialMT")),
       {"ArialMT"}},
      {"a longer key is another key", "/FontSetX [ << /Name (A) >> ]", {}},
      {"the one-line dictionary form is not a list here",
       "/DocumentResources << /FontSet << /Resources [ << /Name (A) >> ] >> >>",
       {}},
      {"a /Name inside a value of the entry is not the entry's",
       "/FontSet [ << /Name (A) /Props << /Name (B) >> /List [ /Name (C) ] >> ]",
       {"A"}},
      {"a /Name after a dictionary value is a key again",
       "/FontSet [ << /Props << /X 1 >> /Name (A) >> ]",
       {"A"}},
      {"the name /Name as a value is not a key", "/FontSet [ << /Type /Name /Other (X) >> ]", {}},
      {"a value that is not a string gives no name",
       "/FontSet [ << /Name 12 >> << /Name <414243> >> << /Junk <00> /Name (A) >> ]",
       {"A"}},
      {"the empty name", "/FontSet [ << /Name () >> << /Name (\xFE\xFF) >> ]", {""}},
      {"escapes: parentheses, backslash, octal",
       "/FontSet [ << /Name (A\\)B) >> << /Name (C\\\\D) >> << /Name (\\101rial) >> ]",
       {"A)B", "Arial", "C\\D"}},
      {"balanced parentheses need no escape", "/FontSet [ << /Name (A(B)C) >> ]", {"A(B)C"}},
      {"UTF-16 with an escaped closing parenthesis", FontSet(Entry(Utf16Name(u"A)B"))), {"A)B"}},
      {"UTF-16 bytes that look like brackets stay inside the string",
       FontSet(Entry(Utf16Name(u"\u5b8b\u4f53"))),
       {"\xe5\xae\x8b\xe4\xbd\x93"}},
      {"a UTF-16 name ends at a zero unit", FontSet(Entry(Utf16Name(u"A"s + u'\0' + u"B"))), {"A"}},
      {"a UTF-16 name's odd last byte is dropped",
       "/FontSet [ << /Name (\xFE\xFF\0A\0) >> ]"s,
       {"A"}},
      {"a narrow name ends at a NUL", "/FontSet [ << /Name (A\0B) >> ]"s, {"A"}},
      {"no byte-order mark: the bytes as they are", "/FontSet [ << /Name (\0A\0B) >> ]"s, {""}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Scan(c.bytes), c.names) << c.what;
  }
}

TEST_F(PhotoshopFontListsTest, DamagedListsGiveWhatCanBeRead) {
  const std::string good = FontSet(Entry("Good"));
  const struct {
    const char* what;
    std::string bytes;
    Names names;
  } cases[] = {
      {"cut off inside an entry", "/FontSet [ << /Name (A) >> << /Name (B) /Scr", {"A", "B"}},
      {"cut off inside a name", "/FontSet [ << /Name (A) >> << /Name (Bro", {"A"}},
      {"cut off after the key", "/FontSet", {}},
      {"cut off after the bracket", "/FontSet [", {}},
      {"cut off inside a hex string", "/FontSet [ << /Name (A) /X <0102", {"A"}},
      {"an entry closed by the list's bracket ends the list",
       "/FontSet [ << /Name (A) >> << /Name (B) ] /KinsokuSet [ << /Name (K) >> ]",
       {"A", "B"}},
      {"a key where an entry should begin: the list was cut short",
       "/FontSet [ << /Name (A) >> /KinsokuSet [ << /Name (K) >> ]",
       {"A"}},
      {"one closing >> too many ends the list",
       "/FontSet [ << /Name (A) >> >> << /Name (B) >> ]",
       {"A"}},
      {"brackets that do not pair end the list",
       "/FontSet [ << /Name (A) /V [ 1 >> << /Name (B) >> ]",
       {"A"}},
      {"a list that runs into the next list",
       "/FontSet [ << /Name (A) /Data << " + good,
       {"A", "Good"}},
      {"a string that never closes does not hide the lists behind it",
       "/FontSet [ << /Name (A) >> << /Other (" + std::string(70000, 'x') + good,
       {"A", "Good"}},
      {"nesting too deep ends the list",
       "/FontSet [ << /Name (A) /V " + std::string(40, '[') + " << /Name (B) >> ]",
       {"A"}},
      {"a stray closing parenthesis is nothing", "/FontSet [ << ) /Name (A) >> ]", {"A"}},
      {"random bytes after a good list",
       good + "\x01\xff(/<<[\x80" + FontSet("<< /Name"),
       {"Good"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Scan(c.bytes), c.names) << c.what;
  }
}

TEST_F(PhotoshopFontListsTest, NamesAreCutTo259Bytes) {
  EXPECT_EQ(Scan(FontSet(Entry(std::string(300, 'N')))), Names{std::string(259, 'N')});
  // A UTF-16 name is cut before the character that would not fit.
  EXPECT_EQ(Scan(FontSet(Entry(Utf16Name(u"A" + std::u16string(200, u'\u5b8b'))))), Names{"A" + [] {
              std::string s;
              for (int i = 0; i < 86; ++i) s += "\xe5\xae\x8b";
              return s;
            }()});
}

TEST_F(PhotoshopFontListsTest, Utf16NamesInTheAnsiCodePage) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  EXPECT_EQ(Scan(FontSet(Entry(Utf16Name(u"\u5b8b\u4f53")))), Names{"\xcb\xce\xcc\xe5"});
  // A character without a GBK form becomes the default character.
  EXPECT_EQ(Scan(FontSet(Entry(Utf16Name(u"A\u0e01B")))), Names{"A?B"});
}

TEST(DecodePostScriptString, Cases) {
  const struct {
    std::string body;
    std::string bytes;
  } cases[] = {
      {"plain", "plain"},
      {"a\\nb\\rc\\td\\be\\ff", "a\nb\rc\td\be\ff"},
      {"\\(\\)\\\\", "()\\"},
      {"\\101\\60\\0", "A0\0"s},
      {"\\1011", "A1"},                // at most three octal digits
      {"\\18", "\0018"},               // an octal escape ends at a byte that is no octal digit
      {"\\777", "\xFF"},               // kept to 8 bits
      {"a\\\nb\\\r\nc\\\rd", "abcd"},  // a backslash before an end of line joins the lines
      {"\\q\\\xFE", "q\xFE"},          // any other byte stands for itself
      {"end\\", "end"},                // a backslash with nothing after it
      {"(nested)", "(nested)"},
      {"raw\r\nline", "raw\r\nline"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(DecodePostScriptString(c.body), c.bytes) << c.body;
  }
}

}  // namespace
}  // namespace corvid
