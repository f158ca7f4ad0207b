#include "engine/discovery/marker_scans.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/text_codec.h"

namespace corvid {
namespace {

using namespace std::string_literals;
using Names = DocumentFontSet;

// Runs a test with kAnsiCodePage standing for `codePage`.
class AnsiCodePage {
 public:
  explicit AnsiCodePage(platform::CodePage codePage) { platform::SetAnsiCodePage(codePage); }
  ~AnsiCodePage() { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

Names ScanMarkers(const std::string& bytes) {
  Names set;
  ScanFontNameMarkers(reinterpret_cast<const Byte*>(bytes.data()), bytes.size(), set);
  return set;
}

Names ScanPhotoshop(const std::string& bytes) {
  Names set;
  ScanPhotoshopFontSet(reinterpret_cast<const Byte*>(bytes.data()), bytes.size(), set);
  return set;
}

TEST(FontDescriptorNames, Cases) {
  const struct {
    const char* what;
    std::string bytes;
    Names names;
  } cases[] = {
      {"space before the value, line feed after it",
       "/FontName /ABCDEF+Arial\n/Flags 4",
       {"Arial"}},
      {"no subset prefix", "/FontName /Helvetica\n", {"Helvetica"}},
      {"two plus signs: everything after the tag", "/FontName /ABCDEF+Foo+Bar\n", {"Foo+Bar"}},
      {"a plus sign after fewer than six capitals is part of the name",
       "/FontName /AB+Foo\n",
       {"AB+Foo"}},
      {"CR LF ends before the CR", "/FontName /XYZABC+Times\r\n", {"Times"}},
      {"the next key follows at once", "/FontName/QWFSZA+Arial-BoldMT/Flags 32", {"Arial-BoldMT"}},
      {"a blank ends the value", "/FontName /WDVBBA+Times-Roman /Flags 34", {"Times-Roman"}},
      {"a tab, a form feed and a NUL end it too",
       "/FontName /A\t/FontName /B\f/FontName /C\0/x"s,
       {"A", "B", "C"}},
      {"#xx escapes are decoded", "/FontName /Arial#20Black\n", {"Arial Black"}},
      {"an escaped plus is part of the name", "/FontName /AB#2BCD\n", {"AB+CD"}},
      {"the subset tag is removed after the decoding",
       "/FontName /NVCFEO#2BCalibri-Bold\n",
       {"Calibri-Bold"}},
      {"Family,Style gives the family", "/FontName/ABCDEE+Segoe#20UI,Bold/Flags 32", {"Segoe UI"}},
      {"any delimiter ends the value", "<</FontName/Arial>>", {"Arial"}},
      {"a literal string", "/FontName (ABCDEF+Arial\\040Black)\n/Flags 4", {"Arial Black"}},
      {"a hex string", "/FontName <4172 69616c>\n/ItalicAngle 0", {"Arial"}},
      {"a reference gives nothing, not the next key", "/FontName 12 0 R\n/ItalicAngle 0", {}},
      {"an unclosed string gives nothing", "/FontName (Arial\n/ItalicAngle 0", {}},
      {"a broken escape stays", "/FontName /Foo#2\n", {"Foo#2"}},
      {"the value runs to the end of the block", "/FontName /ABCDEF+Cut", {"Cut"}},
      {"no name or string after the key: no name", "FontName ABC+Foo/Bar\n", {}},
      {"an empty value is a name", "/FontName /\n", {""}},
      {"at the end of a longer word", "/MyFontName /Foo\n", {"Foo"}},
      {"a longer key's value is not taken", "/FontNameX /Foo\n", {}},
      {"every entry, each once",
       "/FontName /AAAAAA+Arial\n/FontName /BBBBBB+Arial\n/FontName /Courier\n",
       {"Arial", "Courier"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanMarkers(c.bytes), c.names) << c.what;
  }
}

TEST(FontDescriptorNames, NamesAreCutTo259Bytes) {
  std::string longName(300, 'N');
  Names names = ScanMarkers("/FontName /" + longName + "\n/FontName /Next\n");
  EXPECT_EQ(names, (Names{std::string(259, 'N'), "Next"}));
}

// A Chinese producer writes the descriptor's name as a hex string of GBK bytes (小标宋), or as
// a name of escaped GBK bytes (黑体). Taking the next "/" after the key gave "ItalicAngle".
TEST(FontDescriptorNames, RegressionHexStringGivesTheNameNotTheNextKey) {
  const std::string descriptor =
      "/FontDescriptor <<\n/FontName <D0A1B1EACBCE>\n/ItalicAngle 0\n/StemV 100\n>>\n"
      "<< /FontName /#BA#DA#CC#E5 /Flags 4 >>";
  {
    AnsiCodePage utf8(platform::kUtf8CodePage);
    EXPECT_EQ(ScanMarkers(descriptor), (Names{"小标宋", "黑体"}));
  }
  AnsiCodePage gbk(platform::kGbkCodePage);
  EXPECT_EQ(ScanMarkers(descriptor), (Names{"\xBA\xDA\xCC\xE5", "\xD0\xA1\xB1\xEA\xCB\xCE"}));
}

TEST(XmpFontList, Cases) {
  AnsiCodePage utf8(platform::kUtf8CodePage);  // XMP names come in the narrow code page
  const std::string list =
      "<xmpTPg:Fonts><rdf:Bag><rdf:li><stFnt:fontName>Arial-BoldMT</stFnt:fontName>"
      "<stFnt:fontName>MyriadPro-Regular</stFnt:fontName>"
      "<stFnt:fontName>A&amp;B</stFnt:fontName></rdf:li></rdf:Bag></xmpTPg:Fonts>";
  const struct {
    const char* what;
    std::string bytes;
    Names names;
  } cases[] = {
      {"three names, escapes kept as they are",
       list,
       {"A&amp;B", "Arial-BoldMT", "MyriadPro-Regular"}},
      {"a list closed before it is opened gives nothing, even with a list after it",
       "</xmpTPg:Fonts>" + list,
       {}},
      {"only the first list counts",
       "<xmpTPg:Fonts><stFnt:fontName>One</stFnt:fontName></xmpTPg:Fonts>"
       "<xmpTPg:Fonts><stFnt:fontName>Two</stFnt:fontName></xmpTPg:Fonts>",
       {"One"}},
      {"a closing name tag without opening tag runs from the list start",
       "<xmpTPg:Fonts>Lone</stFnt:fontName></xmpTPg:Fonts>",
       {"Lone"}},
      {"two closing tags: the second name runs from the same start",
       "<xmpTPg:Fonts><stFnt:fontName>A</stFnt:fontName>B</stFnt:fontName></xmpTPg:Fonts>",
       {"A", "A</stFnt:fontName>B"}},
      {"UTF-8 stays UTF-8",
       "<xmpTPg:Fonts><stFnt:fontName>微软雅黑</stFnt:fontName>",
       {"微软雅黑"}},
      {"a name ends at its first NUL",
       "<xmpTPg:Fonts><stFnt:fontName>Ab\0cd</stFnt:fontName>"s,
       {"Ab"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanMarkers(c.bytes), c.names) << c.what;
  }
}

// XMP is UTF-8: under code page 936 a name goes into GBK, unless GBK lacks one of its
// characters (then no conversion could match an installed font, and the name stays as it is).
TEST(XmpFontList, NamesInTheNarrowCodePage) {
  const std::string list =
      "<xmpTPg:Fonts><stFnt:fontName>微软雅黑</stFnt:fontName>"
      "<stFnt:fontName>한글</stFnt:fontName><stFnt:fontName>Arial</stFnt:fontName>"
      "<stFnt:fontName>\xFF\xFE</stFnt:fontName></xmpTPg:Fonts>";
  {
    AnsiCodePage gbk(platform::kGbkCodePage);
    EXPECT_EQ(ScanMarkers(list),
              (Names{"Arial", "\xCE\xA2\xC8\xED\xD1\xC5\xBA\xDA", "한글", "\xFF\xFE"}));
  }
  AnsiCodePage utf8(platform::kUtf8CodePage);
  EXPECT_EQ(ScanMarkers(list), (Names{"Arial", "微软雅黑", "한글", "\xFF\xFE"}));
}

TEST(PhotoshopFontSet, Cases) {
  const std::string marker = "/DocumentResources << /FontSet << /Resources ";
  const std::string end = ">> >> >> ]";
  const struct {
    const char* what;
    std::string bytes;
    Names names;
  } cases[] = {
      {"the names of the list",
       marker + "[ << /Name (ArialMT) /Script 0 >> << /Name (MyriadPro-Regular) /Script 0 >> " +
           end,
       {"ArialMT", "MyriadPro-Regular"}},
      {"the last list marker counts",
       marker + "<< /Name (Early) >> " + end + marker + "<< /Name (Late) >> " + end,
       {"Late"}},
      {"16-bit names keep their ASCII bytes",
       marker + "<< /Name (\xFE\xFF\0A\0r\0i\0a\0l) >> "s + end,
       {"Arial"}},
      {"nothing left after filtering: the empty name",
       marker + "<< /Name (\xE4\xB8\x80) >> " + end,
       {""}},
      {"a second ') ' runs from the same start", marker + "/Name (A) B) " + end, {"A", "A) B"}},
      {"a ') ' before the first /Name runs from the marker",
       marker + "x) /Name (Y) " + end,
       {"x", "Y"}},
      {"names after the end of the list are not read",
       marker + "/Name (In) " + end + " /Name (Out) ",
       {"In"}},
      {"a list cut off by the end of the block", marker + "/Name (A) /Name (B", {"A"}},
      {"the marker at the very end", "junk" + marker, {}},
      {"no marker", "/Name (Arial) ", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ScanPhotoshop(c.bytes), c.names) << c.what;
  }
}

}  // namespace
}  // namespace corvid
