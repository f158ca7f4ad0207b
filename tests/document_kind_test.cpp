#include "engine/discovery/document_kind.h"

#include <gtest/gtest.h>

#include <string>

namespace corvid {
namespace {

using namespace std::string_literals;

DocumentKind Detect(const std::string& bytes) {
  return DetectDocumentKind(reinterpret_cast<const Byte*>(bytes.data()), bytes.size());
}

TEST(DetectDocumentKind, Cases) {
  const struct {
    const char* what;
    std::string bytes;
    DocumentKind kind;
  } cases[] = {
      {"PDF by its first bytes, whatever else it holds",
       "%PDF-1.4 <xmp:CreatorTool>Adobe Photoshop</xmp:CreatorTool>", DocumentKind::Pdf},
      {"bytes before %PDF: the creator-tool scan decides",
       " %PDF-1.4 <xmp:CreatorTool>Adobe Illustrator CC</xmp:CreatorTool>",
       DocumentKind::Illustrator},
      {"Photoshop at the end of the value", "<xmp:CreatorTool>Adobe Photoshop</xmp:CreatorTool>",
       DocumentKind::Photoshop},
      {"exactly Photoshop", "<xmp:CreatorTool>Photoshop</xmp:CreatorTool>",
       DocumentKind::Photoshop},
      {"both products: Photoshop wins",
       "<xmp:CreatorTool>Illustrator and Photoshop</xmp:CreatorTool>", DocumentKind::Photoshop},
      {"opening and closing tags of the two forms",
       "<xap:CreatorTool>Adobe Illustrator</xmp:CreatorTool>", DocumentKind::Illustrator},
      {"two opening tags: the value starts after the second",
       "<xmp:CreatorTool>Photoshop<xmp:CreatorTool>Illustrator</xmp:CreatorTool>",
       DocumentKind::Illustrator},
      {"closing tag without opening tag: the value runs from the start",
       "Adobe Photoshop CS3</xap:CreatorTool>", DocumentKind::Photoshop},
      {"the value ends at its first NUL",
       "<xmp:CreatorTool>Corel\0Photoshop</xmp:CreatorTool>"s, DocumentKind::None},
      {"closing tag before the first cmpr: None",
       "RIFF<xmp:CreatorTool>CorelDRAW</xmp:CreatorTool>cmpr", DocumentKind::None},
      {"cmpr before a closing tag of another creator",
       "RIFFcmpr<xmp:CreatorTool>CorelDRAW</xmp:CreatorTool>", DocumentKind::CorelDraw},
      {"cmpr without any creator tool", "RIFF....cmpr....", DocumentKind::CorelDraw},
      {"only the first closing tag counts",
       "<xmp:CreatorTool>Word</xmp:CreatorTool><xmp:CreatorTool>Photoshop</xmp:CreatorTool>",
       DocumentKind::None},
      {"a tag cut off by the end of the file is no tag", "<xmp:CreatorTool>Photoshop</xmp:Creator",
       DocumentKind::None},
      {"nothing at all", "plain text", DocumentKind::None},
      {"empty", "", DocumentKind::None},
      {"%PD is too short for a PDF", "%PD", DocumentKind::None},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Detect(c.bytes), c.kind) << c.what;
  }
}

TEST(DetectDocumentKind, LongCreatorValueIsExaminedInItsFirst1023Bytes) {
  std::string early = "<xmp:CreatorTool>Photoshop" + std::string(2000, ' ') + "</xmp:CreatorTool>";
  EXPECT_EQ(Detect(early), DocumentKind::Photoshop);
  std::string late = "<xmp:CreatorTool>" + std::string(1020, ' ') + "Photoshop</xmp:CreatorTool>";
  EXPECT_EQ(Detect(late), DocumentKind::None);
}

TEST(ContainsText, Cases) {
  const std::string block = "Adobe Photoshop";
  const Byte* b = reinterpret_cast<const Byte*>(block.data());
  EXPECT_TRUE(ContainsText(b, block.size(), "Photoshop"));   // ends exactly at the block's end
  EXPECT_TRUE(ContainsText(b, block.size(), "Adobe"));
  EXPECT_FALSE(ContainsText(b, block.size(), "photoshop"));  // case-sensitive
  EXPECT_FALSE(ContainsText(b, 5, "Adobe Photoshop"));       // longer than the block
}

}  // namespace
}  // namespace corvid
