#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "document_fixtures.h"
#include "engine/include/corvid/corvid.h"
#include "test_support.h"

namespace {

using namespace std::string_literals;
using tessaro_test::DataPath;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;

// A PDF-like document whose font descriptors name exactly `names`.
std::string DocumentNaming(const std::vector<std::string>& names) {
  std::string doc = "%PDF-1.4\n";
  for (const std::string& name : names)
    doc += "<< /Type /FontDescriptor /FontName /" + name + "\n>>\n";
  return doc;
}

struct Call {
  std::string list;  // the buffer up to the reported length
  int length;
  std::string buffer;  // the whole buffer afterwards
};

Call CallEngine(const std::string& path, int capacity, std::size_t bufferSize = 64) {
  std::string buffer(bufferSize, '#');
  int length = capacity;
  GetLackFontNames(path.c_str(), buffer.data(), &length);
  return Call{length > 0 ? buffer.substr(0, length) : "", length, buffer};
}

TEST(GetLackFontNames, BadArgumentsChangeNothing) {
  TempDir dir;
  WriteFile(dir / "doc.pdf", DocumentNaming({"Arial"}));
  std::string path = dir / "doc.pdf";
  char buffer[16];
  std::memset(buffer, '#', sizeof buffer);
  for (int capacity : {0, -1, -2038}) {
    int length = capacity;
    GetLackFontNames(path.c_str(), buffer, &length);
    EXPECT_EQ(length, capacity);
  }
  int length = 16;
  GetLackFontNames(path.c_str(), nullptr, &length);
  EXPECT_EQ(length, 16);
  GetLackFontNames(path.c_str(), buffer, nullptr);
  EXPECT_EQ(std::string(buffer, 16), std::string(16, '#'));
}

TEST(GetLackFontNames, CapacityRules) {
  TempDir dir;
  WriteFile(dir / "arial.pdf", DocumentNaming({"Arial"}));
  WriteFile(dir / "long-first.pdf", DocumentNaming({"AAAAAAAAAA", "B", "C"}));
  WriteFile(dir / "three.pdf", DocumentNaming({"B", "b", "A", "b"}));
  WriteFile(dir / "none.pdf", DocumentNaming({}));
  const struct {
    const char* what;
    const char* document;
    int capacity;
    std::string list;
    int length;
  } cases[] = {
      {"room for the name, its comma and the NUL", "arial.pdf", 7, "Arial,", 6},
      {"one byte short: nothing", "arial.pdf", 6, "", 0},
      {"unsigned byte order, each once", "three.pdf", 64, "A,B,b,", 6},
      {"the list stops at the first name that does not fit", "three.pdf", 5, "A,B,", 4},
      {"a first name too long stops everything", "long-first.pdf", 10, "", 0},
      {"nothing missing", "none.pdf", 64, "", 0},
      {"a missing document", "missing.pdf", 64, "", 0},
  };
  for (const auto& c : cases) {
    Call call = CallEngine(dir / c.document, c.capacity);
    EXPECT_EQ(call.list, c.list) << c.what;
    EXPECT_EQ(call.length, c.length) << c.what;
    if (c.length == 0) {
      EXPECT_EQ(call.buffer, std::string(64, '#')) << c.what << ": not a byte changes";
    } else {
      EXPECT_EQ(call.buffer[c.length], '\0') << c.what;
      EXPECT_EQ(call.buffer.substr(c.length + 1), std::string(64 - c.length - 1, '#')) << c.what;
    }
  }
}

// The list is comma-separated: "Arial,Bold" came out as the two names "Arial" and "Bold". A name
// never holds a comma: a PDF name in the "Family,Style" form, and a name from any other source,
// ends before its first comma.
TEST(GetLackFontNames, RegressionNoNameHoldsAComma) {
  TempDir dir;
  WriteFile(dir / "doc.pdf", "%PDF-1.4\n/FontName /\n/FontName /Arial,Bold\n");
  EXPECT_EQ(CallEngine(dir / "doc.pdf", 64).list, ",Arial,");  // the empty name is a lone comma
  WriteFile(dir / "xmp.pdf",
            "%PDF-1.4\n<xmpTPg:Fonts><stFnt:fontName>Foo,Bar</stFnt:fontName>"
            "<stFnt:fontName>Foo</stFnt:fontName><stFnt:fontName>,Baz</stFnt:fontName>"
            "</xmpTPg:Fonts>\n");
  EXPECT_EQ(CallEngine(dir / "xmp.pdf", 64).list, ",Foo,");
}

TEST(GetLackFontNames, RealDocuments) {
  for (const auto& fixture : tessaro_test::DocumentFixtures()) {
    Call call = CallEngine(DataPath("documents/"s + fixture.path), 2038, 2038);
    EXPECT_EQ(call.list, tessaro_test::LackFontList(fixture)) << fixture.path;
  }
}

TEST(GetLackFontNames, KindComesFromTheBytesNotTheName) {
  TempDir dir;
  std::filesystem::copy_file(DataPath("documents/photoshop/text.psd"), dir / "renamed.pdf");
  EXPECT_EQ(CallEngine(dir / "renamed.pdf", 2038, 2038).list,
            "ArialMT,MyriadPro-Regular,TimesNewRomanPSMT,");
}

// Regression: Photoshop's invisible placeholder font was reported missing for nearly every
// Photoshop document, a row that no service can ever help.
TEST(GetLackFontNames, PhotoshopsPlaceholderFontIsNoDocumentFont) {
  TempDir dir;
  const std::string xmp = "<xmp:CreatorTool>Adobe Photoshop CC 2019</xmp:CreatorTool>\n";
  const std::string fontSet =
      "/FontSet [\n<<\n\t/Name (AdobeInvisFont)\n>>\n<<\n\t/Name (ArialMT)\n>>\n]\n";
  WriteFile(dir / "only.psd", "8BPS" + xmp + "/FontSet [ << /Name (AdobeInvisFont) >> ]\n");
  WriteFile(dir / "text.psd", "8BPS" + xmp + fontSet);
  // Another kind of document keeps a font of that name.
  WriteFile(dir / "doc.pdf", DocumentNaming({"AdobeInvisFont"}));
  EXPECT_EQ(CallEngine(dir / "only.psd", 64).list, "");
  EXPECT_EQ(CallEngine(dir / "text.psd", 64).list, "ArialMT,");
  EXPECT_EQ(CallEngine(dir / "doc.pdf", 64).list, "AdobeInvisFont,");
}

TEST(GetLackFontNames, InstalledFontsAreLeftOut) {
  TempDir dir;
  tessaro_test::ScopedEnv config(
      "FONTCONFIG_FILE",
      tessaro_test::WriteFontConfig(dir / "fonts.conf", {"/usr/share/fonts/truetype/dejavu"},
                                    dir / "cache"));
  WriteFile(dir / "doc.pdf", DocumentNaming({"DejaVuSans-Bold", "DejaVuSerif", "Arial"}));
  EXPECT_EQ(CallEngine(dir / "doc.pdf", 64).list, "Arial,");
}

}  // namespace
