// The PDF rewrite: font descriptors hidden in object streams, the "/FontName /DPPCSU+" scan,
// unreadable files, and that no file is ever written beside the document.

#include "engine/discovery/pdf_fonts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdint>
#include <vector>
#include <zlib.h>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFPageObjectHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <set>
#include <string>
#include <string_view>

#include "document_test_support.h"
#include "engine/discovery/marker_scans.h"
#include "engine/discovery/pdf_rewrite.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

using document_test::DataPath;
using document_test::ReadFile;
using document_test::TempFolder;
using document_test::WriteFile;
using Names = std::set<std::string>;

// Runs a test with kAnsiCodePage standing for `codePage`.
class AnsiCodePage {
 public:
  explicit AnsiCodePage(platform::CodePage codePage) { platform::SetAnsiCodePage(codePage); }
  ~AnsiCodePage() { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

const Names kEscapedSubsetTagFonts = {"CMMI6",
                                      "CMMI9",
                                      "CMR6",
                                      "CMR8",
                                      "CMR9",
                                      "CMSY6",
                                      "CMSY7",
                                      "CMSY8",
                                      "CMSY9",
                                      "CMTT9",
                                      "Calibri",
                                      "Calibri-Bold",
                                      "Helvetica",
                                      "Helvetica-Bold",
                                      "NimbusRomNo9L-Medi",
                                      "NimbusRomNo9L-MediItal",
                                      "NimbusRomNo9L-Regu",
                                      "NimbusRomNo9L-Regu-Slant_167",
                                      "NimbusRomNo9L-ReguItal"};
// Arial-BoldMT and ArialMT are fonts of objects the document no longer uses; the direct scan
// still sees their descriptors.
const Names kFamilyCommaStyleFonts = {"Arial", "Arial-BoldMT", "ArialMT", "Segoe UI"};

const Byte* AsBytes(std::string_view s) { return reinterpret_cast<const Byte*>(s.data()); }

Names DirectScan(const std::string& bytes) {
  DocumentFontSet set;
  ScanFontNameMarkers(AsBytes(bytes), bytes.size(), set);
  return set;
}

Names RewriteScan(const std::string& path) {
  DocumentFontSet set;
  ExtractPdfFonts(path, set);
  return set;
}

// The font names pdffonts (poppler) lists for the file, subset prefixes and ",Style" removed.
// The name column is as wide as the first rule under the titles, so a name with a blank in it
// ("ABCDEE+Segoe UI,Bold") is read whole.
Names PdffontsNames(const std::string& path) {
  Names names;
  std::string command = "pdffonts '" + path + "' 2>/dev/null";
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return names;
  char line[1024];
  std::size_t width = 0;
  for (int row = 0; fgets(line, sizeof line, pipe) != nullptr; ++row) {
    std::string_view text(line);
    if (row == 0) continue;  // the column titles
    if (row == 1) {          // the rules under them
      width = text.find(' ');
      continue;
    }
    std::string name(text.substr(0, std::min(width, text.find('\n'))));
    name.erase(name.find_last_not_of(' ') + 1);
    std::size_t plus = name.find('+');
    if (plus == 6) name.erase(0, 7);
    names.insert(name.substr(0, name.find(',')));
  }
  pclose(pipe);
  return names;
}

// Writes `pdf` with one page that uses `fonts`, its objects packed into a compressed object
// stream, encrypted when `userPassword` is given.
std::string OnePagePdf(QPDF& pdf, const std::vector<QPDFObjectHandle>& fonts,
                       const char* userPassword = nullptr) {
  QPDFObjectHandle fontResources = QPDFObjectHandle::newDictionary();
  int index = 0;
  for (const QPDFObjectHandle& font : fonts) {
    fontResources.replaceKey("/F" + std::to_string(++index), font);
  }
  QPDFObjectHandle resources = QPDFObjectHandle::newDictionary();
  resources.replaceKey("/Font", fontResources);
  QPDFObjectHandle page =
      pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Page /MediaBox [0 0 100 100] >>"));
  page.replaceKey("/Resources", resources);
  QPDFPageDocumentHelper(pdf).addPage(QPDFPageObjectHelper(page), false);

  QPDFWriter writer(pdf);
  writer.setOutputMemory();
  writer.setObjectStreamMode(qpdf_o_generate);
  if (userPassword != nullptr) {
    writer.setR6EncryptionParameters(userPassword, "owner", true, true, true, true, true, true,
                                     qpdf_r3p_full, true);
  }
  writer.write();
  std::shared_ptr<Buffer> out = writer.getBufferSharedPointer();
  return std::string(reinterpret_cast<const char*>(out->getBuffer()), out->getSize());
}

// A one-page PDF whose font and descriptor objects qpdf packs into a compressed object stream.
// `descriptorNames` are written as the descriptors' FontName values, in PDF name syntax.
std::string PdfWithDescriptorsInObjectStream(const std::vector<std::string>& descriptorNames,
                                             const char* userPassword = nullptr) {
  QPDF pdf;
  pdf.emptyPDF();
  std::vector<QPDFObjectHandle> fonts;
  for (const std::string& name : descriptorNames) {
    QPDFObjectHandle descriptor = pdf.makeIndirectObject(QPDFObjectHandle::parse(
        "<< /Type /FontDescriptor /FontName " + name + " /Flags 32 /ItalicAngle 0 >>"));
    QPDFObjectHandle font = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Font /Subtype /TrueType /BaseFont " + name + " >>"));
    font.replaceKey("/FontDescriptor", descriptor);
    fonts.push_back(font);
  }
  return OnePagePdf(pdf, fonts, userPassword);
}

// A one-page PDF whose fonts are the dictionaries `fontDictionaries` (PDF syntax), each an object
// of its own in a compressed object stream.
std::string PdfWithFontsInObjectStream(const std::vector<std::string>& fontDictionaries) {
  QPDF pdf;
  pdf.emptyPDF();
  std::vector<QPDFObjectHandle> fonts;
  for (const std::string& dictionary : fontDictionaries) {
    fonts.push_back(pdf.makeIndirectObject(QPDFObjectHandle::parse(dictionary)));
  }
  return OnePagePdf(pdf, fonts);
}

TEST(PdfFontsTest, RealDocumentsGiveTheirFontsWithoutSubsetPrefixes) {
  const struct {
    const char* file;
    Names fonts;
  } cases[] = {
      {"pdf/PhilHarveyInterview.pdf",
       {"LucidaGrande", "Times-Bold", "Times-BoldItalic", "Times-Italic", "Times-Roman"}},
      {"pdf/word-objstm.pdf",
       {"Arial-BoldMT", "ArialMT", "TimesNewRomanPS-BoldItalicMT", "TimesNewRomanPSMT"}},
      {"pdf/160F-2019-objstm.pdf", {"Arial", "Arial-BoldMT", "ArialMT"}},
      {"pdf/issue1002.pdf", {"Adelle-Bold", "Adelle-Regular", "Mercury-DisplaySemibold"}},
      {"pdf/cid_cff.pdf", {"NeoSansIntel"}},
      {"pdf/Shift.pdf", {"Courier", "Times-Bold", "Times-Italic", "Times-Roman"}},
      {"pdf/escaped-subset-tag.pdf", kEscapedSubsetTagFonts},
      {"pdf/family-comma-style.pdf", kFamilyCommaStyleFonts},
      {"pdf/cidfont-no-descriptor.pdf", {"HeiseiMin-W3"}},
      {"illustrator/classic-cc2017.ai", {"Arial-BoldMT"}},
      {"illustrator/fixture-normal-24.ai", {"MyriadPro-Regular"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(document_test::LackFontNames(DataPath(c.file)), c.fonts) << c.file;
  }
}

TEST(PdfFontsTest, DescriptorsInObjectStreamsAreFoundOnlyByTheRewrite) {
  const struct {
    const char* file;
    Names fonts;
  } cases[] = {
      {"pdf/word-objstm.pdf",
       {"Arial-BoldMT", "ArialMT", "TimesNewRomanPS-BoldItalicMT", "TimesNewRomanPSMT"}},
      {"pdf/160F-2019-objstm.pdf", {"Arial", "Arial-BoldMT", "ArialMT"}},
  };
  for (const auto& c : cases) {
    std::string path = DataPath(c.file);
    EXPECT_THAT(DirectScan(ReadFile(path)), testing::IsEmpty()) << c.file;
    EXPECT_EQ(RewriteScan(path), c.fonts) << c.file;
  }
}

// pdffonts reads the fonts from the page resources; every font it lists must be found, but the
// standard fonts without a descriptor, and nothing it does not list but the fonts of objects no
// page uses.
TEST(PdfFontsTest, AgreesWithPdffonts) {
  const struct {
    const char* file;
    Names standardWithoutDescriptor;
    Names unused;
  } cases[] = {
      {"pdf/PhilHarveyInterview.pdf", {}, {}},
      {"pdf/word-objstm.pdf", {"Symbol"}, {}},
      {"pdf/160F-2019-objstm.pdf", {}, {}},
      {"pdf/issue1002.pdf", {}, {}},
      {"pdf/cid_cff.pdf", {}, {}},
      {"pdf/Shift.pdf", {}, {}},
      {"pdf/escaped-subset-tag.pdf", {}, {}},
      {"pdf/family-comma-style.pdf", {"Helvetica", "Helvetica-Bold"}, {"Arial-BoldMT", "ArialMT"}},
      {"illustrator/classic-cc2017.ai", {}, {}},
      {"illustrator/fixture-normal-24.ai", {}, {}},
  };
  for (const auto& c : cases) {
    std::string path = DataPath(c.file);
    Names listed = PdffontsNames(path);
    ASSERT_FALSE(listed.empty()) << "pdffonts (poppler-utils) lists nothing for " << c.file;
    Names expected = c.unused;
    for (const std::string& name : listed) {
      if (!c.standardWithoutDescriptor.count(name)) expected.insert(name);
    }
    EXPECT_EQ(document_test::LackFontNames(path), expected) << c.file;
  }
}

// PDFs as real producers write them, each of which gave names no font has or missed the one the
// document needs: a descriptor's FontName written as a hex string of GBK bytes gave the next key,
// "ItalicAngle"; escaped subset tags (/NVCFEO#2BCalibri-Bold) stayed on the names; the
// "Family,Style" name /ABCDEE+Segoe#20UI,Bold reached the list whole and was read as "Segoe UI"
// and "Bold"; a CID font without descriptor was not found. Names come in the narrow code page:
// UTF-8 here, GBK on a Chinese system.
TEST(PdfFontsTest, RegressionNamesAsRealProducersWriteThem) {
  const struct {
    const char* file;
    Names utf8;
    Names gbk;
  } cases[] = {
      {"pdf/gbk-hexstring-fontname.pdf", {"小标宋"}, {"\xD0\xA1\xB1\xEA\xCB\xCE"}},
      {"pdf/escaped-subset-tag.pdf", kEscapedSubsetTagFonts, kEscapedSubsetTagFonts},
      {"pdf/family-comma-style.pdf", kFamilyCommaStyleFonts, kFamilyCommaStyleFonts},
      {"pdf/cidfont-no-descriptor.pdf", {"HeiseiMin-W3"}, {"HeiseiMin-W3"}},
  };
  for (const auto& c : cases) {
    {
      AnsiCodePage utf8(platform::kUtf8CodePage);
      EXPECT_EQ(document_test::LackFontNames(DataPath(c.file)), c.utf8) << c.file;
    }
    AnsiCodePage gbk(platform::kGbkCodePage);
    EXPECT_EQ(document_test::LackFontNames(DataPath(c.file)), c.gbk) << c.file;
  }
}

TEST(PdfFontsTest, DescriptorlessFontsByTheirBaseFont) {
  AnsiCodePage utf8(platform::kUtf8CodePage);
  auto font = [](const std::string& entries) { return "1 0 obj\n<<\n" + entries + ">>\nendobj\n"; };
  const struct {
    const char* what;
    std::string copy;
    Names names;
  } cases[] = {
      {"a CID font",
       font("  /BaseFont /HeiseiMin-W3\n  /CIDSystemInfo <<\n    /Ordering (Japan1)\n"
            "  >>\n  /Subtype /CIDFontType2\n  /Type /Font\n"),
       {"HeiseiMin-W3"}},
      {"a CFF CID font",
       font("  /BaseFont /KozMinPr6N-Regular\n  /Subtype /CIDFontType0\n"),
       {"KozMinPr6N-Regular"}},
      {"a TrueType font in the Family,Style form",
       font("  /BaseFont /Arial,Bold\n  /FirstChar 32\n  /Subtype /TrueType\n"),
       {"Arial"}},
      {"a Type 1 font, tagged",
       font("  /BaseFont /ABCDEF+Optima\n  /Subtype /Type1\n"),
       {"Optima"}},
      {"GBK bytes", font("  /BaseFont /#BA#DA#CC#E5\n  /Subtype /TrueType\n"), {"黑体"}},
      {"a font with a descriptor is named by its FontName",
       font("  /BaseFont /Arial\n  /FontDescriptor 5 0 R\n  /Subtype /TrueType\n"),
       {}},
      {"a direct descriptor",
       font("  /BaseFont /Arial\n  /FontDescriptor <<\n    /Flags 32\n"
            "  >>\n  /Subtype /TrueType\n"),
       {}},
      {"a Type0 font names its CMap too",
       font("  /BaseFont /HeiseiMin-W3-90ms-RKSJ-H\n  /DescendantFonts [\n    8 0 R\n  ]\n"
            "  /Subtype /Type0\n"),
       {}},
      {"a Type0 font's direct descendant",
       font("  /BaseFont /KozGo-90ms-RKSJ-H\n  /DescendantFonts [\n    <<\n"
            "      /BaseFont /KozGoPro-Medium\n      /Subtype /CIDFontType0\n    >>\n  ]\n"
            "  /Subtype /Type0\n"),
       {"KozGoPro-Medium"}},
      {"a descendant's descriptor is its own",
       font("  /BaseFont /A-Identity-H\n  /DescendantFonts [\n    <<\n      /BaseFont /A\n"
            "      /FontDescriptor 9 0 R\n      /Subtype /CIDFontType2\n    >>\n  ]\n"
            "  /Subtype /Type0\n"),
       {}},
      {"a Type 3 font", font("  /BaseFont /Glyphs\n  /Subtype /Type3\n"), {}},
      {"no subtype", font("  /BaseFont /Arial\n  /Type /Font\n"), {}},
      {"the standard fonts",
       font("  /BaseFont /Helvetica\n  /Subtype /Type1\n") +
           font("  /BaseFont /Symbol\n  /Subtype /TrueType\n") +
           font("  /BaseFont /ABCDEF+ZapfDingbats\n  /Subtype /Type1\n"),
       {}},
      {"the subtype of the next dictionary does not count",
       font("  /BaseFont /Arial\n") + font("  /Subtype /TrueType\n"),
       {}},
      {"not at the start of a line", font("  /Foo /BaseFont /Arial\n  /Subtype /TrueType\n"), {}},
      {"not a name", font("  /BaseFont 7 0 R\n  /Subtype /TrueType\n"), {}},
      {"a longer key", font("  /BaseFontX /Arial\n  /Subtype /TrueType\n"), {}},
  };
  for (const auto& c : cases) {
    DocumentFontSet set;
    ScanDescriptorlessFontNames(AsBytes(c.copy), c.copy.size(), set);
    EXPECT_EQ(set, c.names) << c.what;
  }
}

TEST(PdfFontsTest, DppcsuMarkerNames) {
  const struct {
    const char* what;
    std::string_view bytes;
    Names names;
  } cases[] = {
      {"line feed ends the name", "/FontName /DPPCSU+Arial\n/Flags 4", {"Arial"}},
      {"carriage return and line feed: no CR in the name",
       "/FontName /DPPCSU+Arial\r\n",
       {"Arial"}},
      {"a lone carriage return", "/FontName /DPPCSU+Arial\r/Flags 4", {"Arial"}},
      {"a space ends it as in the other FontName values",
       "/FontName /DPPCSU+Arial /Flags 4",
       {"Arial"}},
      {"a tab and a form feed", "/FontName /DPPCSU+A\t/FontName /DPPCSU+B\f", {"A", "B"}},
      {"the block's end ends it", "/FontName /DPPCSU+SimSun", {"SimSun"}},
      {"a slash stays in the name", "/FontName /DPPCSU+A/B\n", {"A/B"}},
      {"escapes are decoded", "/FontName /DPPCSU+Arial#20Black\n", {"Arial Black"}},
      {"an empty value", "/FontName /DPPCSU+\n", {""}},
      {"a second plus sign stays", "/FontName /DPPCSU+A+B\n", {"A+B"}},
      {"another subset prefix is not this marker", "/FontName /ABCDEF+Arial\n", {}},
      {"marker cut off by the block's end", "/FontName /DPPCSU", {}},
      {"two entries", "/FontName /DPPCSU+One\n/FontName /DPPCSU+Two\n", {"One", "Two"}},
  };
  for (const auto& c : cases) {
    DocumentFontSet set;
    ScanDppcsuFontNames(AsBytes(c.bytes), c.bytes.size(), set);
    EXPECT_EQ(set, c.names) << c.what;
  }
}

TEST(PdfFontsTest, DppcsuNameIsCutTo259Bytes) {
  std::string bytes = "/FontName /DPPCSU+" + std::string(300, 'x') + "\n";
  DocumentFontSet set;
  ScanDppcsuFontNames(AsBytes(bytes), bytes.size(), set);
  EXPECT_EQ(set, Names{std::string(259, 'x')});
}

// A descriptor written with CR LF line ends gave "Arial" and "Arial\r", a name no installed
// font ever has; it now gives "Arial" once.
TEST(PdfFontsTest, RegressionCrLfLinesGiveNoCarriageReturnInNames) {
  std::string copy = "<<\r\n  /FontName /DPPCSU+Arial\r\n  /Type /FontDescriptor\r\n>>\r\n";
  DocumentFontSet set;
  ScanFontNameMarkers(AsBytes(copy), copy.size(), set);
  ScanDppcsuFontNames(AsBytes(copy), copy.size(), set);
  EXPECT_EQ(set, Names{"Arial"});
}

TEST(PdfFontsTest, RewritePutsEachDescriptorEntryOnItsOwnLine) {
  std::string pdf = PdfWithDescriptorsInObjectStream({"/DPPCSU+KaiTi", "/ABCDEF+Arial#20Black"});
  std::optional<std::vector<Byte>> rewritten = RewritePdfOneEntryPerLine(AsBytes(pdf), pdf.size());
  ASSERT_TRUE(rewritten);
  std::string text(rewritten->begin(), rewritten->end());
  EXPECT_THAT(text, testing::HasSubstr("\n  /FontName /DPPCSU+KaiTi\n"));
  EXPECT_THAT(text, testing::HasSubstr("\n  /FontName /ABCDEF+Arial#20Black\n"));
  EXPECT_THAT(text, testing::Not(testing::HasSubstr("/ObjStm")));
}

// The rewrite writes every byte outside printable ASCII as #xx, so the names of Chinese fonts
// (here SimSun and SimHei in GBK) come back as the bytes the document holds, read as GBK: the
// same bytes under code page 936, UTF-8 on a UTF-8 system.
TEST(PdfFontsTest, SyntheticObjectStreamFontsThroughTheExport) {
  TempFolder folder;
  std::string path = folder / "fonts.pdf";
  WriteFile(path, PdfWithDescriptorsInObjectStream({"/DPPCSU+KaiTi", "/ABCDEF+Arial#20Black",
                                                    "/Wingdings", "/DPPCSU+#CB#CE#CC#E5",
                                                    "/ABCDEF+#ba#da#cc#e5"}));
  EXPECT_THAT(DirectScan(ReadFile(path)), testing::IsEmpty());
  {
    AnsiCodePage gbk(platform::kGbkCodePage);
    EXPECT_EQ(document_test::LackFontNames(path),
              (Names{"Arial Black", "KaiTi", "Wingdings", "\xba\xda\xcc\xe5", "\xcb\xce\xcc\xe5"}));
  }
  AnsiCodePage utf8(platform::kUtf8CodePage);
  EXPECT_EQ(document_test::LackFontNames(path),
            (Names{"Arial Black", "KaiTi", "Wingdings", "宋体", "黑体"}));
}

// The layout the BaseFont scan relies on, as the rewrite really writes it: fonts without
// descriptor packed in an object stream, a CID font direct inside its Type0 font.
TEST(PdfFontsTest, DescriptorlessFontsInObjectStreamsThroughTheRewrite) {
  TempFolder folder;
  std::string path = folder / "descriptorless.pdf";
  WriteFile(path,
            PdfWithFontsInObjectStream(
                {"<< /Type /Font /Subtype /TrueType /BaseFont /ABCDEF+Wingdings >>",
                 "<< /Type /Font /Subtype /TrueType /BaseFont /Verdana,BoldItalic /FirstChar 32 "
                 "/Widths [278 278] >>",
                 "<< /Type /Font /Subtype /Type0 /BaseFont /KozMinPr6N-Regular-90ms-RKSJ-H "
                 "/Encoding /90ms-RKSJ-H /DescendantFonts [<< /Type /Font /Subtype /CIDFontType0 "
                 "/BaseFont /KozMinPr6N-Regular /CIDSystemInfo << /Registry (Adobe) /Ordering "
                 "(Japan1) /Supplement 6 >> >>] >>",
                 "<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica-Bold >>",
                 "<< /Type /Font /Subtype /Type3 /FontMatrix [0.001 0 0 0.001 0 0] >>"}));
  EXPECT_THAT(DirectScan(ReadFile(path)), testing::IsEmpty());
  EXPECT_EQ(document_test::LackFontNames(path),
            (Names{"KozMinPr6N-Regular", "Verdana", "Wingdings"}));
}

TEST(PdfFontsTest, EncryptedWithEmptyUserPasswordIsRewritten) {
  TempFolder folder;
  std::string path = folder / "encrypted.pdf";
  WriteFile(path, PdfWithDescriptorsInObjectStream({"/ABCDEF+SimHei"}, ""));
  EXPECT_THAT(DirectScan(ReadFile(path)), testing::IsEmpty());
  EXPECT_EQ(RewriteScan(path), Names{"SimHei"});
}

// Files qpdf cannot read add nothing to what the direct scan found, and nothing is printed.
TEST(PdfFontsTest, UnreadablePdfsAddNothingAndPrintNothing) {
  TempFolder folder;
  const std::string full = ReadFile(DataPath("pdf/word-objstm.pdf"));
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"only a header", "%PDF-1.7\n"},
      {"garbage after the header", "%PDF-1.4\n" + std::string(4000, '\x9c')},
      {"encrypted with a user password",
       PdfWithDescriptorsInObjectStream({"/ABCDEF+SimHei"}, "secret")},
      {"first quarter of a file", full.substr(0, full.size() / 4)},
      {"object streams cut off", full.substr(0, full.size() * 3 / 4)},
      {"the end missing", full.substr(0, full.size() - 100)},
      {"damaged in the middle", full.substr(0, full.size() / 2) + std::string(300, '\0') +
                                    full.substr(full.size() / 2 + 300)},
  };
  const Names wholeFile = RewriteScan(DataPath("pdf/word-objstm.pdf"));
  for (const auto& c : cases) {
    std::string path = folder / "damaged.pdf";
    WriteFile(path, c.bytes);
    document_test::StderrCapture capture(folder / "stderr.txt");
    Names names = RewriteScan(path);
    EXPECT_EQ(capture.Finish(), "") << c.what;
    // A file qpdf repairs may still give some of its fonts, never others.
    EXPECT_THAT(names, testing::IsSubsetOf(wholeFile)) << c.what;
  }
  for (const auto& c : {cases[0], cases[1], cases[2]}) {
    std::string path = folder / "unreadable.pdf";
    WriteFile(path, c.bytes);
    EXPECT_THAT(RewriteScan(path), testing::IsEmpty()) << c.what;
  }
  EXPECT_THAT(RewriteScan(folder / "missing.pdf"), testing::IsEmpty());
  WriteFile(folder / "empty.pdf", "");
  EXPECT_THAT(RewriteScan(folder / "empty.pdf"), testing::IsEmpty());
}

TEST(PdfFontsTest, DirectScanNamesStayWhenTheRewriteFails) {
  TempFolder folder;
  std::string path = folder / "broken.pdf";
  const std::string bytes =
      "%PDF-1.4\n1 0 obj << /FontName /ABCDEF+Tahoma\n>> endobj\n" + std::string(2000, '\x9c');
  WriteFile(path, bytes);
  EXPECT_FALSE(RewritePdfOneEntryPerLine(AsBytes(bytes), bytes.size()));
  EXPECT_EQ(document_test::LackFontNames(path), Names{"Tahoma"});
}

// A PDF whose object stream holds a font descriptor for `hiddenFont` followed by `padding`
// blanks, compressed (a hundred megabytes of blanks pack into a hundred kilobytes), and whose
// plain part holds a descriptor for `plainFont` that the direct scan sees.
std::string PdfWithPaddedObjectStream(const std::string& hiddenFont, const std::string& plainFont,
                                      std::size_t padding) {
  const std::string object = "<< /Type /FontDescriptor /FontName /ABCDEF+" + hiddenFont + " >>";
  const std::string header = "4 0 ";
  std::string inflated = header + object + std::string(padding, ' ');
  uLongf packedSize = compressBound(inflated.size());
  std::string packed(packedSize, '\0');
  EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(packed.data()), &packedSize,
                      reinterpret_cast<const Bytef*>(inflated.data()), inflated.size(), 9),
            Z_OK);
  packed.resize(packedSize);

  std::string pdf = "%PDF-1.5\n";
  std::vector<std::size_t> offsets(6);
  auto add = [&](int number, const std::string& body) {
    offsets[number] = pdf.size();
    pdf += std::to_string(number) + " 0 obj\n" + body + "\nendobj\n";
  };
  add(1, "<< /Type /Catalog /Pages 2 0 R /Hidden 4 0 R >>");  // the rewrite writes what is used
  add(2, "<< /Type /Pages /Kids [] /Count 0 >>");
  add(3, "<< /Type /ObjStm /N 1 /First " + std::to_string(header.size()) +
             " /Filter /FlateDecode /Length " + std::to_string(packed.size()) + " >>\nstream\n" +
             packed + "\nendstream");
  add(5, "<< /Type /FontDescriptor /FontName /ABCDEF+" + plainFont + "\n>>");
  // The cross-reference stream: type, field 2 (offset or object stream), field 3 (generation or
  // index), 1 + 4 + 2 bytes per entry, for objects 0 to 6 (6 is the stream itself).
  std::string entries;
  auto entry = [&](int type, std::uint32_t second, std::uint16_t third) {
    entries.push_back(static_cast<char>(type));
    for (int shift = 24; shift >= 0; shift -= 8) entries.push_back(static_cast<char>(second >> shift));
    entries.push_back(static_cast<char>(third >> 8));
    entries.push_back(static_cast<char>(third));
  };
  entry(0, 0, 65535);
  entry(1, offsets[1], 0);
  entry(1, offsets[2], 0);
  entry(1, offsets[3], 0);
  entry(2, 3, 0);  // object 4 lies in object stream 3 at index 0
  entry(1, offsets[5], 0);
  const std::size_t xref = pdf.size();
  entry(1, xref, 0);
  pdf += "6 0 obj\n<< /Type /XRef /Size 7 /W [1 4 2] /Root 1 0 R /Length " +
         std::to_string(entries.size()) + " >>\nstream\n" + entries + "\nendstream\nendobj\n";
  pdf += "startxref\n" + std::to_string(xref) + "\n%%EOF\n";
  return pdf;
}

// An object stream that inflates far beyond what documents hold is not rewritten: the direct
// scan's names are what the document gives, as for a damaged file, without the rewrite's memory.
TEST(PdfFontsTest, ObjectStreamsInflatingPastTheBoundAreNotRewritten) {
  TempFolder folder;
  const std::string small = PdfWithPaddedObjectStream("Hidden", "Plain", 1000);
  const std::string bomb = PdfWithPaddedObjectStream("Hidden", "Plain", 80u << 20);
  ASSERT_LT(bomb.size(), 1u << 20);
  EXPECT_TRUE(RewritePdfOneEntryPerLine(AsBytes(small), small.size()));
  EXPECT_FALSE(RewritePdfOneEntryPerLine(AsBytes(bomb), bomb.size()));
  WriteFile(folder / "small.pdf", small);
  WriteFile(folder / "bomb.pdf", bomb);
  EXPECT_EQ(document_test::LackFontNames(folder / "small.pdf"), (Names{"Hidden", "Plain"}));
  EXPECT_EQ(document_test::LackFontNames(folder / "bomb.pdf"), Names{"Plain"});
}

// The rewrite stays in memory: a user's file named like the old temporary copy is neither read
// nor deleted, nothing appears beside the document or in the current directory, and a folder
// without write access is no obstacle.
TEST(PdfFontsTest, NothingIsWrittenBesideTheDocumentOrInTheCurrentDirectory) {
  TempFolder documents;
  TempFolder current;
  std::string folder = documents / "folder with spaces";
  std::string path = folder + "/my document.pdf";
  WriteFile(path, ReadFile(DataPath("pdf/word-objstm.pdf")));
  std::string userFile = path + "_temp.pdf";
  const std::string userBytes = "%PDF-1.4\n/FontName /DPPCSU+NotInTheDocument\n";
  WriteFile(userFile, userBytes);
  std::filesystem::permissions(folder,
                               std::filesystem::perms::owner_write |
                                   std::filesystem::perms::group_write |
                                   std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  Names names;
  {
    document_test::CurrentDirectory inCurrent(current.path());
    names = document_test::LackFontNames(path);
  }
  EXPECT_EQ(names, (Names{"Arial-BoldMT", "ArialMT", "TimesNewRomanPS-BoldItalicMT",
                          "TimesNewRomanPSMT"}));
  EXPECT_EQ(document_test::FolderEntries(folder),
            (std::vector<std::string>{"my document.pdf", "my document.pdf_temp.pdf"}));
  EXPECT_EQ(ReadFile(userFile), userBytes);
  EXPECT_THAT(document_test::FolderEntries(current.path()), testing::IsEmpty());
  std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add);
}

}  // namespace
}  // namespace corvid
