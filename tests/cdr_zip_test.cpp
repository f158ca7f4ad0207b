// CorelDRAW's ZIP container: recognition, the members read with libarchive, and the fonts that
// libcdr finds in the drawing; the real document, containers built here from its members, and
// damaged or foreign ZIPs.

#include "engine/discovery/cdr_container.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "document_test_support.h"
#include "engine/discovery/document_fonts.h"
#include "engine/discovery/document_kind.h"
#include "platform/text_codec.h"

namespace corvid {
namespace {

using document_test::DataPath;
using document_test::ReadFile;
using document_test::TempFolder;
using document_test::WriteFile;
using Names = DocumentFontSet;
using testing::ElementsAre;
using testing::IsEmpty;

const Byte* AsBytes(std::string_view s) { return reinterpret_cast<const Byte*>(s.data()); }

std::string Le16(std::uint32_t v) { return {static_cast<char>(v), static_cast<char>(v >> 8)}; }
std::string Le32(std::uint32_t v) { return Le16(v) + Le16(v >> 16); }

// Raw deflate data, as ZIP members hold them.
std::string Deflate(std::string_view data) {
  z_stream z{};
  deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  std::string out(deflateBound(&z, data.size()), '\0');
  z.next_in = const_cast<Bytef*>(AsBytes(data));
  z.avail_in = static_cast<uInt>(data.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  deflate(&z, Z_FINISH);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

std::uint32_t Crc(std::string_view data) {
  return static_cast<std::uint32_t>(crc32(0, AsBytes(data), static_cast<uInt>(data.size())));
}

// Writes ZIPs the way CorelDRAW does: local headers with the sizes, then the central directory
// and the end record.
class ZipWriter {
 public:
  void Add(const std::string& name, std::string_view data, bool deflate = true) {
    AddRaw(name, deflate ? Deflate(data) : std::string(data), Crc(data), data.size(), deflate);
  }

  // A member with the given stored bytes and header values, true or not.
  void AddRaw(const std::string& name, const std::string& stored, std::uint32_t crc,
              std::uint64_t size, bool deflate = true) {
    std::string common = Le16(20) + Le16(0) + Le16(deflate ? 8 : 0) + Le16(0) + Le16(0x21) +
                         Le32(crc) + Le32(static_cast<std::uint32_t>(stored.size())) +
                         Le32(static_cast<std::uint32_t>(size)) + Le16(name.size());
    std::uint32_t offset = static_cast<std::uint32_t>(bytes_.size());
    bytes_ += "PK\x03\x04" + common + Le16(0) + name + stored;
    directory_ += "PK\x01\x02" + Le16(20) + common + Le16(0) + Le16(0) + Le16(0) + Le16(0) +
                  Le32(0) + Le32(offset) + name;
    ++count_;
  }

  // The whole ZIP; `directoryOffset` (if given) receives where its central directory begins.
  std::string Finish(std::string_view comment = "", std::size_t* directoryOffset = nullptr) const {
    if (directoryOffset != nullptr) *directoryOffset = bytes_.size();
    return bytes_ + directory_ + "PK\x05\x06" + Le16(0) + Le16(0) + Le16(count_) + Le16(count_) +
           Le32(static_cast<std::uint32_t>(directory_.size())) +
           Le32(static_cast<std::uint32_t>(bytes_.size())) + Le16(comment.size()) +
           std::string(comment);
  }

 private:
  std::string bytes_;
  std::string directory_;
  int count_ = 0;
};

// Deflate data that cannot be inflated: the first block has the reserved type.
const std::string kBadDeflate(64, '\xFF');

const std::string& RealDocument() {
  static const std::string bytes = ReadFile(DataPath("coreldraw/TextHintTest-x4.cdr"));
  return bytes;
}

std::vector<CdrContainerMember> Members(std::string_view zip) {
  return ReadCdrContainerMembers(AsBytes(zip), zip.size());
}

std::vector<std::string> MemberNames(std::string_view zip) {
  std::vector<std::string> names;
  for (const CdrContainerMember& member : Members(zip)) names.push_back(member.name);
  return names;
}

bool IsContainer(std::string_view bytes) { return IsCdrZipContainer(AsBytes(bytes), bytes.size()); }

DocumentKind Kind(std::string_view bytes) {
  return DetectDocumentKind(AsBytes(bytes), bytes.size());
}

Names Fonts(std::string_view bytes) {
  Names set;
  ExtractCdrContainerFonts(AsBytes(bytes), bytes.size(), set);
  return set;
}

// A container holding the drawing members of the real document, with `change` applied to the
// member of that name first; the members named in `extra` are added after them.
std::string Rebuilt(const std::string& changed = "", std::string (*change)(std::string) = nullptr,
                    const std::vector<std::pair<std::string, std::string>>& extra = {}) {
  ZipWriter zip;
  zip.Add("mimetype", "application/x-vnd.corel.zcf.draw.document+zip", false);
  for (const CdrContainerMember& member : Members(RealDocument())) {
    zip.Add(member.name, member.name == changed && change ? change(member.bytes) : member.bytes);
  }
  for (const auto& [name, data] : extra) zip.Add(name, data);
  return zip.Finish();
}

class CdrZipTest : public testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(platform::kUtf8CodePage); }
  void TearDown() override { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

TEST_F(CdrZipTest, RealDocument) {
  EXPECT_TRUE(IsContainer(RealDocument()));
  EXPECT_EQ(Kind(RealDocument()), DocumentKind::CorelDraw);
  EXPECT_EQ(Fonts(RealDocument()), Names{"Arial"});
  EXPECT_EQ(document_test::LackFontNames(DataPath("coreldraw/TextHintTest-x4.cdr")),
            std::set<std::string>{"Arial"});
  // Only the drawing's members are read: previews, profiles and embedded images are not.
  EXPECT_THAT(
      MemberNames(RealDocument()),
      ElementsAre("content/data/data1.dat", "content/data/masterPage.dat", "content/data/page1.dat",
                  "content/dataFileList.dat", "content/root.dat"));
  EXPECT_EQ(Fonts(Rebuilt()), Names{"Arial"});
}

TEST_F(CdrZipTest, Recognition) {
  auto zipOf = [](std::vector<std::string> names, std::string_view comment = "") {
    ZipWriter zip;
    zip.Add("mimetype", "application/x-vnd.corel.zcf.draw.document+zip", false);
    for (const std::string& name : names) zip.Add(name, "data of " + name);
    return zip.Finish(comment);
  };
  auto withoutDirectory = [](std::vector<std::string> names) {
    ZipWriter zip;
    for (const std::string& name : names) zip.Add(name, "data");
    std::size_t directory = 0;
    return zip.Finish("", &directory).substr(0, directory);
  };
  // A ZIP whose end record points past its end: the directory cannot be walked.
  std::string badOffset = zipOf({"content/root.dat"});
  badOffset[badOffset.size() - 3] = '\x7F';
  // A ZIP whose stored member holds the name as text; its directory lists no drawing.
  ZipWriter textOnly;
  textOnly.Add("notes.txt", std::string(30, 'x') + "content/root.dat", false);
  std::size_t textOnlyDirectory = 0;
  std::string textOnlyZip = textOnly.Finish("", &textOnlyDirectory);
  const struct {
    const char* what;
    std::string bytes;
    bool container;
  } cases[] = {
      {"the drawing member after others", zipOf({"content/data/page1.dat", "content/root.dat"}),
       true},
      {"the RIFF drawing of the first container versions", zipOf({"content/riffData.cdr"}), true},
      {"a comment after the end record", zipOf({"content/root.dat"}, "made by a test"), true},
      {"no drawing member: another kind of ZIP", zipOf({"content/other.dat", "root.dat"}), false},
      {"names are compared exactly",
       zipOf({"Content/root.dat", "content/root.dat.bak", "xcontent/root.dat", "content/root.da"}),
       false},
      {"cut off before the directory: the local headers tell",
       withoutDirectory({"a", "content/root.dat"}), true},
      {"cut off before the directory, no drawing", withoutDirectory({"a", "content/other.dat"}),
       false},
      {"an end record pointing past the end: the local headers tell", badOffset, true},
      {"the name in a member's data is no member", textOnlyZip, false},
      {"the same, without the directory", textOnlyZip.substr(0, textOnlyDirectory), false},
      {"a ZIP must begin with a local header", "MZ" + zipOf({"content/root.dat"}), false},
      {"only the signature", "PK\x03\x04", false},
      {"empty", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsContainer(c.bytes), c.container) << c.what;
    EXPECT_EQ(Kind(c.bytes), c.container ? DocumentKind::CorelDraw : DocumentKind::None) << c.what;
  }
}

TEST_F(CdrZipTest, TheMarkerRulesDecideFirst) {
  // A stored member shows its bytes: a creator tool there makes the ZIP what it names.
  ZipWriter photoshop;
  photoshop.Add("META-INF/metadata.xml", "<xmp:CreatorTool>Adobe Photoshop</xmp:CreatorTool>",
                false);
  photoshop.Add("content/root.dat", "data");
  EXPECT_EQ(Kind(photoshop.Finish()), DocumentKind::Photoshop);

  // "cmpr" in the bytes of a ZIP that holds no drawing: the RIFF rule still makes it CorelDraw.
  ZipWriter chunks;
  chunks.Add("notes.txt", "cmpr", false);
  EXPECT_EQ(Kind(chunks.Finish()), DocumentKind::CorelDraw);

  // A drawing container with "cmpr" in its bytes is CorelDraw by both rules; its fonts come from
  // libcdr, not from a chunk scan of the compressed members.
  TempFolder folder;
  WriteFile(folder / "drawing.cdr", Rebuilt("", nullptr, {{"content/notes.txt", "cmpr"}}));
  std::string withChunkTag = ReadFile(folder / "drawing.cdr");
  ASSERT_EQ(Kind(withChunkTag), DocumentKind::CorelDraw);
  Names set;
  ExtractDocumentFonts(folder / "drawing.cdr", set);
  EXPECT_EQ(set, Names{"Arial"});
}

TEST_F(CdrZipTest, MembersRead) {
  ZipWriter zip;
  zip.Add("mimetype", "application/x-vnd.corel.zcf.draw.document+zip", false);
  zip.Add("content/root.dat", "root");
  zip.Add("previews/page1.png", "not read");
  zip.Add("content/data/page1.dat", std::string(1000, 'p'), false);
  zip.AddRaw("content/data/broken.dat", kBadDeflate, 0, 500);
  zip.AddRaw("content/data/checksum.dat", Deflate("kept"), 12345, 4);
  zip.Add("content/dataFileList.dat", "page1.dat\n");
  std::size_t directory = 0;
  const std::string whole = zip.Finish("", &directory);

  std::vector<CdrContainerMember> members = Members(whole);
  std::vector<std::pair<std::string, std::string>> got;
  for (const CdrContainerMember& member : members) got.emplace_back(member.name, member.bytes);
  EXPECT_THAT(
      got,
      ElementsAre(
          std::pair<std::string, std::string>{"content/root.dat", "root"},
          std::pair<std::string, std::string>{"content/data/page1.dat", std::string(1000, 'p')},
          std::pair<std::string, std::string>{"content/data/checksum.dat", "kept"},
          std::pair<std::string, std::string>{"content/dataFileList.dat", "page1.dat\n"}))
      << "a member that does not inflate is left out, one with a wrong checksum kept";

  // Without the directory, and cut inside the stored page: the members before the cut.
  EXPECT_THAT(MemberNames(whole.substr(0, directory)),
              ElementsAre("content/root.dat", "content/data/page1.dat", "content/data/checksum.dat",
                          "content/dataFileList.dat"));
  std::size_t page = whole.find("pppp");
  EXPECT_THAT(MemberNames(whole.substr(0, page + 10)), ElementsAre("content/root.dat"));
  EXPECT_THAT(MemberNames("not a zip at all"), IsEmpty());
  EXPECT_THAT(MemberNames(""), IsEmpty());
}

TEST_F(CdrZipTest, InflatedMembersAreCapped) {
  // A member that inflates past the cap is left out, and nothing after it is read.
  const std::uint64_t bombSize = kMaxContainerContentBytes + (1u << 20);
  z_stream z{};
  deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  const std::string zeros(1u << 20, '\0');
  std::string compressed;
  std::uint32_t crc = 0;
  char out[1 << 16];
  for (std::uint64_t done = 0; done < bombSize; done += zeros.size()) {
    crc = static_cast<std::uint32_t>(crc32(crc, AsBytes(zeros), static_cast<uInt>(zeros.size())));
    z.next_in = const_cast<Bytef*>(AsBytes(zeros));
    z.avail_in = static_cast<uInt>(zeros.size());
    bool last = done + zeros.size() >= bombSize;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      compressed.append(out, sizeof out - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  ZipWriter zip;
  zip.Add("content/root.dat", "root");
  zip.AddRaw("content/data/huge.dat", compressed, crc, bombSize);
  zip.Add("content/dataFileList.dat", "huge.dat\n");
  EXPECT_THAT(MemberNames(zip.Finish()), ElementsAre("content/root.dat"));
}

std::string Damage(std::string bytes) {
  for (std::size_t i = 8; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  return bytes;
}

std::string Cut(std::string bytes) { return bytes.substr(0, bytes.size() / 3); }

TEST_F(CdrZipTest, DamagedContainersGiveWhatCanBeRead) {
  const std::string& real = RealDocument();
  // The real document cut just before its previews: every drawing member is whole, the
  // directory is gone.
  const std::string beforePreviews = real.substr(0, real.find("previews/thumbnail.png") - 30);
  // A member whose deflate data are broken, among the drawing's members.
  ZipWriter brokenMember;
  brokenMember.AddRaw("content/data/unused.dat", kBadDeflate, 0, 100);
  for (const CdrContainerMember& member : Members(real))
    brokenMember.Add(member.name, member.bytes);
  const std::string withBrokenMember = brokenMember.Finish();
  // The real document with the deflate data of its root member broken in place.
  std::string brokenRoot = real;
  std::size_t rootData = brokenRoot.find("content/root.dat") + 16;
  for (std::size_t i = rootData; i < rootData + 64; ++i) brokenRoot[i] = '\xFF';
  const struct {
    const char* what;
    std::string bytes;
    Names fonts;
  } cases[] = {
      {"cut off before the directory", beforePreviews, {"Arial"}},
      {"a broken member the drawing does not list", withBrokenMember, {"Arial"}},
      {"the root member broken", brokenRoot, {}},
      {"the root member cut", Rebuilt("content/root.dat", Cut), {}},
      {"the root member empty",
       Rebuilt("content/root.dat", [](std::string) { return std::string(); }),
       {}},
      {"the root member garbled", Rebuilt("content/root.dat", Damage), {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Kind(c.bytes), DocumentKind::CorelDraw) << c.what;
    EXPECT_EQ(Fonts(c.bytes), c.fonts) << c.what;
  }
  // Cut before the root member's header, with no directory left: no drawing shows.
  const std::string noRoot = real.substr(0, real.find("content/root.dat") - 30);
  EXPECT_EQ(Kind(noRoot), DocumentKind::None);
  EXPECT_EQ(Fonts(noRoot), Names{});
  // Damaged pages: whatever libcdr still reads, nothing but the document's font.
  for (const char* page : {"content/data/page1.dat", "content/data/data1.dat"}) {
    for (auto change : {Cut, Damage}) {
      EXPECT_THAT(Fonts(Rebuilt(page, change)), testing::IsSubsetOf(Names{"Arial"})) << page;
    }
  }
}

// libcdr meets bytes it was never meant to read: the engine must neither crash nor print.
TEST_F(CdrZipTest, MutatedDocumentsNeitherCrashNorPrint) {
  const std::string& real = RealDocument();
  const std::vector<CdrContainerMember> members = Members(real);
  std::mt19937 random(20261210);
  TempFolder folder;
  document_test::StderrCapture stderrCapture(folder / "stderr.txt");
  for (int round = 0; round < 60; ++round) {
    std::string bytes;
    if (round % 3 == 0) {
      // The container itself cut anywhere.
      bytes = real.substr(0, random() % real.size());
    } else {
      // A drawing member garbled or cut, the container rebuilt around it.
      ZipWriter zip;
      const std::size_t victim = random() % members.size();
      for (std::size_t i = 0; i < members.size(); ++i) {
        std::string data = members[i].bytes;
        if (i == victim && !data.empty()) {
          if (round % 3 == 1) {
            for (int k = 0; k < 16; ++k) data[random() % data.size()] = static_cast<char>(random());
          } else {
            data.resize(random() % data.size());
          }
        }
        zip.Add(members[i].name, data);
      }
      bytes = zip.Finish();
    }
    Fonts(bytes);
  }
  EXPECT_EQ(stderrCapture.Finish(), "");
}

}  // namespace
}  // namespace corvid
