// The "FontsUsed" list of CorelDRAW's metadata file: the real files of the three container
// fixtures, and written ones for the XML forms and the damaged cases.

#include "engine/discovery/cdr_metadata_fonts.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

#include "document_test_support.h"
#include "engine/discovery/cdr_container.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

using document_test::DataPath;
using document_test::ReadFile;
using Names = DocumentFontSet;

Names Scan(std::string_view xml) {
  Names set;
  ScanCdrMetadataFonts(xml, set);
  return set;
}

// The property as CorelDRAW writes it, with the items given.
std::string FontsUsed(std::string_view items, std::string_view tag = "FontsUsed") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
         "<rdf:RDF><rdf:Description rdf:about=\"\">\n<" +
         std::string(tag) + ">\n  <rdf:Bag>\n" + std::string(items) + "  </rdf:Bag>\n</" +
         std::string(tag) +
         ">\n<Title>Not a font</Title>\n</rdf:Description></rdf:RDF></x:xmpmeta>\n";
}

class CdrMetadataFontsTest : public testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(platform::kUtf8CodePage); }
  void TearDown() override { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

TEST_F(CdrMetadataFontsTest, RealMetadataFiles) {
  const struct {
    const char* file;
    const char* member;
    Names fonts;
  } cases[] = {
      {"coreldraw/groupdocs-sample-x4.cdr",
       "metadata/metadata.xml",
       {"Arial", "Courier New", "Wingdings", "造字工房尚雅体演示版常规体"}},
      {"coreldraw/xapian-test2-x5.cdr",
       "metadata/metadata.xml",
       {"Arial", "MS Gothic", "SimSun", "Symbol"}},
      // Prefixed: <cdrinfo:FontsUsed>.
      {"coreldraw/TextHintTest-x4.cdr", "META-INF/metadata.xml", {"Arial", "MS Gothic"}},
  };
  for (const auto& c : cases) {
    const std::string document = ReadFile(DataPath(c.file));
    std::vector<CdrContainerMember> members =
        ReadCdrContainerMembers(reinterpret_cast<const Byte*>(document.data()), document.size(),
                                [&](std::string_view name) { return name == c.member; });
    ASSERT_EQ(members.size(), 1u) << c.file;
    EXPECT_EQ(Scan(members[0].bytes), c.fonts) << c.file;
  }
}

TEST_F(CdrMetadataFontsTest, XmlForms) {
  const std::string whole = FontsUsed("<rdf:li>Arial</rdf:li><rdf:li>Courier</rdf:li>");
  const struct {
    const char* what;
    std::string xml;
    Names fonts;
  } cases[] = {
      {"items in the default namespace",
       FontsUsed("<rdf:li>Arial</rdf:li><rdf:li>Courier New</rdf:li>"),
       {"Arial", "Courier New"}},
      {"a prefixed property", FontsUsed("<rdf:li>Arial</rdf:li>", "cdrinfo:FontsUsed"), {"Arial"}},
      {"items without a prefix, with attributes",
       FontsUsed("<li xml:lang=\"x-default\">Arial</li>"),
       {"Arial"}},
      {"references and entities",
       FontsUsed("<rdf:li>A&amp;B &lt;&gt;&quot;&apos;</rdf:li><rdf:li>&#x5B8B;&#20307;</rdf:li>"),
       {"A&B <>\"'", "宋体"}},
      {"what is no reference stays as written",
       FontsUsed("<rdf:li>A&B; &nbsp; &#0; &#xD800; &#x110000; &#xZZ; &</rdf:li>"),
       {"A&B; &nbsp; &#0; &#xD800; &#x110000; &#xZZ; &"}},
      {"spaces are part of the name", FontsUsed("<rdf:li> Arial </rdf:li>"), {" Arial "}},
      {"the same name twice is one",
       FontsUsed("<rdf:li>Arial</rdf:li><rdf:li>Arial</rdf:li>"),
       {"Arial"}},
      {"empty items name no font",
       FontsUsed("<rdf:li></rdf:li><rdf:li/><rdf:li>B</rdf:li>"),
       {"B"}},
      {"an item holding markup names no font",
       FontsUsed("<rdf:li><b>Bold</b></rdf:li><rdf:li>A<!-- x --></rdf:li><rdf:li>C</rdf:li>"),
       {"C"}},
      {"items outside the property are no fonts",
       "<rdf:li>Layer 1</rdf:li>" + FontsUsed("<rdf:li>Arial</rdf:li>") + "<rdf:li>Page</rdf:li>",
       {"Arial"}},
      {"two properties",
       FontsUsed("<rdf:li>A</rdf:li>") + FontsUsed("<rdf:li>B</rdf:li>"),
       {"A", "B"}},
      {"an empty property", "<FontsUsed/><rdf:li>Arial</rdf:li>", {}},
      {"names are cut to 63 units",
       FontsUsed("<rdf:li>" + std::string(80, 'n') + "</rdf:li>"),
       {std::string(63, 'n')}},
      {"bytes that are not UTF-8", FontsUsed("<rdf:li>A\xff</rdf:li>"), {"A\xef\xbf\xbd"}},
      {"cut inside the first item", whole.substr(0, whole.find("Arial") + 3), {}},
      {"cut inside the second item", whole.substr(0, whole.find("Courier") + 4), {"Arial"}},
      {"cut inside the second item's end tag",
       whole.substr(0, whole.find("</rdf:li>", whole.find("Courier")) + 5),
       {"Arial"}},
      {"a tag without its end", "<FontsUsed><rdf:li>Arial</rdf:li><rdf:li", {"Arial"}},
      {"no property", "<Title>Arial</Title>", {}},
      {"not XML", "\x89PNG\r\n\x1a\n<<<>>>&&&;", {}},
      {"empty", "", {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Scan(c.xml), c.fonts) << c.what;
  }
}

TEST_F(CdrMetadataFontsTest, NamesGoToTheAnsiCodePage) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  EXPECT_EQ(Scan(FontsUsed("<rdf:li>宋体</rdf:li><rdf:li>A\u0e01B</rdf:li>")),
            (Names{"\xcb\xce\xcc\xe5", "A?B"}));
}

}  // namespace
}  // namespace corvid
