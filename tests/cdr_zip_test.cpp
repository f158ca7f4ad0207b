// CorelDRAW's ZIP container: recognition, the members read with libarchive, and the fonts of its
// font table and metadata file; the real documents of both layouts, containers built here from
// their members, and damaged, encrypted or foreign ZIPs.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "document_test_support.h"
#include "engine/discovery/cdr_container.h"
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

  // A member with the given stored bytes and header values, true or not. Flag bit 0 marks the
  // member as encrypted.
  void AddRaw(const std::string& name, const std::string& stored, std::uint32_t crc,
              std::uint64_t size, bool deflate = true, std::uint16_t flags = 0) {
    std::string common = Le16(20) + Le16(flags) + Le16(deflate ? 8 : 0) + Le16(0) + Le16(0x21) +
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

// The container fixtures, one per layout, and the fonts of their font tables.
struct ContainerFixture {
  const char* file;
  Names fonts;
};

const ContainerFixture kX4 = {"coreldraw/groupdocs-sample-x4.cdr",
                              {"Arial", "Courier New", "Wingdings", "造字工房尚雅体演示版常规体"}};
const ContainerFixture kX5 = {"coreldraw/xapian-test2-x5.cdr",
                              {"Arial", "MS Gothic", "SimSun", "Symbol"}};
const ContainerFixture kX6 = {"coreldraw/TextHintTest-x4.cdr", {"Arial", "MS Gothic"}};

const std::string& Bytes(const ContainerFixture& fixture) {
  static std::map<std::string, std::string> cache;
  auto [at, added] = cache.try_emplace(fixture.file);
  if (added) at->second = ReadFile(DataPath(fixture.file));
  return at->second;
}

const std::string& RealDocument() { return Bytes(kX6); }

bool InContent(std::string_view name) { return name.starts_with("content/"); }

bool IsMetadata(std::string_view name) {
  return name == "metadata/metadata.xml" || name == "META-INF/metadata.xml";
}

std::vector<CdrContainerMember> Members(std::string_view zip,
                                        bool (*wanted)(std::string_view) = InContent) {
  return ReadCdrContainerMembers(AsBytes(zip), zip.size(), wanted);
}

std::vector<std::string> MemberNames(std::string_view zip,
                                     bool (*wanted)(std::string_view) = InContent) {
  std::vector<std::string> names;
  for (const CdrContainerMember& member : Members(zip, wanted)) names.push_back(member.name);
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

enum class Metadata { kKept, kLeftOut };

// A fixture's container rebuilt: its drawing members (with `change` applied to the one named
// `changed`), its metadata file unless left out, then the `extra` members.
std::string Rebuilt(const std::string& document, const std::string& changed = "",
                    std::string (*change)(std::string) = nullptr,
                    Metadata metadata = Metadata::kKept,
                    const std::vector<std::pair<std::string, std::string>>& extra = {}) {
  ZipWriter zip;
  zip.Add("mimetype", "application/x-vnd.corel.zcf.draw.document+zip", false);
  for (const CdrContainerMember& member : Members(document)) {
    zip.Add(member.name, member.name == changed && change ? change(member.bytes) : member.bytes);
  }
  if (metadata == Metadata::kKept) {
    for (const CdrContainerMember& member : Members(document, IsMetadata)) {
      zip.Add(member.name, member.bytes);
    }
  }
  for (const auto& [name, data] : extra) zip.Add(name, data);
  return zip.Finish();
}

// A container holding nothing but the document's metadata file.
std::string MetadataOnly(const std::string& document) {
  ZipWriter zip;
  for (const CdrContainerMember& member : Members(document, IsMetadata)) {
    zip.Add(member.name, member.bytes);
  }
  return zip.Finish();
}

// The deflate data of `size` zero bytes, and their checksum: a member that inflates far beyond
// what it takes in the container.
std::pair<std::string, std::uint32_t> DeflatedZeros(std::uint64_t size) {
  z_stream z{};
  deflateInit2(&z, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
  const std::string zeros(1u << 20, '\0');
  std::string compressed;
  std::uint32_t crc = 0;
  char out[1 << 16];
  for (std::uint64_t done = 0; done < size; done += zeros.size()) {
    const std::size_t step =
        static_cast<std::size_t>(std::min<std::uint64_t>(zeros.size(), size - done));
    crc = static_cast<std::uint32_t>(crc32(crc, AsBytes(zeros), static_cast<uInt>(step)));
    z.next_in = const_cast<Bytef*>(AsBytes(zeros));
    z.avail_in = static_cast<uInt>(step);
    bool last = done + step >= size;
    do {
      z.next_out = reinterpret_cast<Bytef*>(out);
      z.avail_out = sizeof out;
      deflate(&z, last ? Z_FINISH : Z_NO_FLUSH);
      compressed.append(out, sizeof out - z.avail_out);
    } while (z.avail_out == 0);
  }
  deflateEnd(&z);
  return {compressed, crc};
}

class CdrZipTest : public testing::Test {
 protected:
  void SetUp() override { platform::SetAnsiCodePage(platform::kUtf8CodePage); }
  void TearDown() override { platform::SetAnsiCodePage(platform::kAnsiCodePage); }
};

TEST_F(CdrZipTest, RealDocumentsGiveTheirFontTables) {
  for (const ContainerFixture* fixture : {&kX4, &kX5, &kX6}) {
    const std::string& bytes = Bytes(*fixture);
    EXPECT_TRUE(IsContainer(bytes)) << fixture->file;
    EXPECT_EQ(Kind(bytes), DocumentKind::CorelDraw) << fixture->file;
    EXPECT_EQ(Fonts(bytes), fixture->fonts) << fixture->file;
    EXPECT_EQ(document_test::LackFontNames(DataPath(fixture->file)), fixture->fonts)
        << fixture->file;
    // The font table alone, without the metadata file, gives every font too.
    EXPECT_EQ(Fonts(Rebuilt(bytes, "", nullptr, Metadata::kLeftOut)), fixture->fonts)
        << fixture->file;
    // And so does the metadata file alone.
    EXPECT_EQ(Fonts(MetadataOnly(bytes)), fixture->fonts) << fixture->file;
  }
  // The drawing's members of the X6 layout, in their order in the container (the root member
  // last, after the streams it refers to).
  EXPECT_THAT(
      MemberNames(RealDocument()),
      ElementsAre("content/data/data1.dat", "content/data/masterPage.dat", "content/data/page1.dat",
                  "content/dataFileList.dat", "content/root.dat"));
}

// The names of both sources are converted the same way: one font is one name in any code page.
TEST_F(CdrZipTest, TableAndMetadataAgreeInTheAnsiCodePage) {
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  const std::string& x4 = Bytes(kX4);
  // 造字工房尚雅体演示版常规体 in GBK.
  const Names gbk = {"Arial", "Courier New", "Wingdings",
                     "\xd4\xec\xd7\xd6\xb9\xa4\xb7\xbf\xc9\xd0\xd1\xc5\xcc\xe5\xd1\xdd\xca\xbe"
                     "\xb0\xe6\xb3\xa3\xb9\xe6\xcc\xe5"};
  EXPECT_EQ(Fonts(x4), gbk);
  EXPECT_EQ(Fonts(Rebuilt(x4, "", nullptr, Metadata::kLeftOut)), gbk);
  EXPECT_EQ(Fonts(MetadataOnly(x4)), gbk);
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
  // its font table, not from a chunk scan of the compressed members.
  TempFolder folder;
  WriteFile(folder / "drawing.cdr",
            Rebuilt(RealDocument(), "", nullptr, Metadata::kKept, {{"content/notes.txt", "cmpr"}}));
  std::string withChunkTag = ReadFile(folder / "drawing.cdr");
  ASSERT_EQ(Kind(withChunkTag), DocumentKind::CorelDraw);
  Names set;
  ExtractDocumentFonts(folder / "drawing.cdr", set);
  EXPECT_EQ(set, (Names{"Arial", "MS Gothic"}));
}

TEST_F(CdrZipTest, MembersRead) {
  ZipWriter zip;
  zip.Add("mimetype", "application/x-vnd.corel.zcf.draw.document+zip", false);
  zip.Add("content/root.dat", "root");
  zip.Add("previews/page1.png", "not read");
  zip.Add("content/data/page1.dat", std::string(1000, 'p'), false);
  zip.AddRaw("content/data/broken.dat", kBadDeflate, 0, 500);
  zip.AddRaw("content/data/checksum.dat", Deflate("kept"), 12345, 4);
  // Encrypted members (no key is known): one deflated, one stored.
  zip.AddRaw("content/data/secret.dat", Deflate("secret data"), Crc("secret data"), 11, true, 1);
  zip.AddRaw("content/data/secret2.dat", std::string(12, 'k') + "secret", Crc("secret"), 6, false,
             1);
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
      << "members that do not inflate or are encrypted are left out, one with a wrong checksum "
         "kept";

  // Only the members asked for.
  EXPECT_THAT(MemberNames(whole,
                          [](std::string_view name) {
                            return name == "content/dataFileList.dat" || name == "mimetype";
                          }),
              ElementsAre("mimetype", "content/dataFileList.dat"));
  // Within a limit: the member that would pass it ends the reading.
  EXPECT_THAT(
      [&] {
        std::vector<std::string> names;
        for (const CdrContainerMember& member :
             ReadCdrContainerMembers(AsBytes(whole), whole.size(), InContent, 1003)) {
          names.push_back(member.name);
        }
        return names;
      }(),
      ElementsAre("content/root.dat"));

  // Without the directory, and cut inside the stored page: the members before the cut.
  EXPECT_THAT(MemberNames(whole.substr(0, directory)),
              ElementsAre("content/root.dat", "content/data/page1.dat", "content/data/checksum.dat",
                          "content/dataFileList.dat"));
  std::size_t page = whole.find("pppp");
  EXPECT_THAT(MemberNames(whole.substr(0, page + 10)), ElementsAre("content/root.dat"));
  EXPECT_THAT(MemberNames("not a zip at all"), IsEmpty());
  EXPECT_THAT(MemberNames(""), IsEmpty());
}

// A member that inflates to more than the cap, built once: its deflate data and checksum.
const std::pair<std::string, std::uint32_t>& Bomb() {
  static const auto bomb = DeflatedZeros(kMaxContainerContentBytes + (1u << 20));
  return bomb;
}

TEST_F(CdrZipTest, InflatedMembersAreCapped) {
  const std::uint64_t bombSize = kMaxContainerContentBytes + (1u << 20);
  // A member that inflates past the cap is left out, and nothing after it is read.
  ZipWriter zip;
  zip.Add("content/root.dat", "root");
  zip.AddRaw("content/data/huge.dat", Bomb().first, Bomb().second, bombSize);
  zip.Add("content/dataFileList.dat", "huge.dat\n");
  EXPECT_THAT(MemberNames(zip.Finish()), ElementsAre("content/root.dat"));

  // A huge page that the font table does not refer to is never inflated: the table behind it is
  // read. Regression: all members under "content/" were once inflated together, and a drawing
  // larger than the cap lost the members after it, the root member among them.
  const std::string& real = RealDocument();
  ZipWriter bigDrawing;
  bigDrawing.AddRaw("content/data/page2.dat", Bomb().first, Bomb().second, bombSize);
  for (const CdrContainerMember& member : Members(real)) bigDrawing.Add(member.name, member.bytes);
  EXPECT_EQ(Fonts(bigDrawing.Finish()), (Names{"Arial", "MS Gothic"}));

  // The table's own stream too large: it gives no names, and nothing is read past it.
  ZipWriter tableTooLarge;
  for (const CdrContainerMember& member : Members(real)) {
    if (member.name == "content/data/data1.dat") {
      tableTooLarge.AddRaw(member.name, Bomb().first, Bomb().second, bombSize);
    } else {
      tableTooLarge.Add(member.name, member.bytes);
    }
  }
  EXPECT_EQ(Fonts(tableTooLarge.Finish()), Names{});
}

std::string Damage(std::string bytes) {
  for (std::size_t i = 8; i < bytes.size(); i += 7) bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  return bytes;
}

std::string Cut(std::string bytes) { return bytes.substr(0, bytes.size() / 3); }

TEST_F(CdrZipTest, DamagedContainersGiveWhatCanBeRead) {
  const std::string& real = RealDocument();
  const Names both = {"Arial", "MS Gothic"};
  // The real document cut just before its previews: every drawing member is whole, the
  // directory and the metadata file are gone.
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
  // The root member encrypted, as far as its header says.
  ZipWriter encryptedRoot;
  for (const CdrContainerMember& member : Members(real)) {
    if (member.name == "content/root.dat") {
      encryptedRoot.AddRaw(member.name, Deflate(member.bytes), Crc(member.bytes),
                           member.bytes.size(), true, 1);
    } else {
      encryptedRoot.Add(member.name, member.bytes);
    }
  }
  const std::string withEncryptedRoot = encryptedRoot.Finish();
  auto tableOnly = [&](const char* member, std::string (*change)(std::string)) {
    return Rebuilt(real, member, change, Metadata::kLeftOut);
  };
  const struct {
    const char* what;
    std::string bytes;
    Names fonts;
  } cases[] = {
      {"cut off before the directory", beforePreviews, both},
      {"a broken member the drawing does not list", withBrokenMember, both},
      {"the root member broken: the metadata still tells", brokenRoot, both},
      {"the root member encrypted", withEncryptedRoot, {}},
      {"the root member cut after its font chunks", tableOnly("content/root.dat", Cut), both},
      {"the root member cut after its first font chunk",
       tableOnly("content/root.dat", [](std::string root) { return root.substr(0, 0xc0); }),
       {"Arial"}},
      {"the root member empty",
       tableOnly("content/root.dat", [](std::string) { return std::string(); }),
       {}},
      {"the data stream cut inside the second record",
       tableOnly("content/data/data1.dat", [](std::string data) { return data.substr(0, 0x3100); }),
       {"Arial"}},
      {"the data stream cut before the records", tableOnly("content/data/data1.dat", Cut), {}},
      {"the data stream missing from the list",
       tableOnly("content/dataFileList.dat", [](std::string) { return std::string("other.dat"); }),
       {}},
      {"the list naming a stream that is not there",
       tableOnly("content/dataFileList.dat",
                 [](std::string) { return std::string("gone.dat\ndata1.dat\n"); }),
       {}},
      {"the list empty",
       tableOnly("content/dataFileList.dat", [](std::string) { return std::string(); }),
       {}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Kind(c.bytes), DocumentKind::CorelDraw) << c.what;
    EXPECT_EQ(Fonts(c.bytes), c.fonts) << c.what;
  }
  // Cut before the root member's header, with no directory left: no drawing shows.
  const std::string noRoot = real.substr(0, real.find("content/root.dat") - 30);
  EXPECT_EQ(Kind(noRoot), DocumentKind::None);
  EXPECT_EQ(Fonts(noRoot), Names{});
  // Garbled structure or pages give at most the document's fonts (a garbled record gives its
  // garbled name, as any reader would).
  for (const char* member :
       {"content/root.dat", "content/dataFileList.dat", "content/data/page1.dat"}) {
    EXPECT_THAT(Fonts(tableOnly(member, Damage)), testing::IsSubsetOf(both)) << member;
  }

  // X4: the RIFF drawing cut or garbled gives what inflates; its metadata is a second source.
  const std::string& x4 = Bytes(kX4);
  auto x4TableOnly = [&](std::string (*change)(std::string)) {
    return Rebuilt(x4, "content/riffData.cdr", change, Metadata::kLeftOut);
  };
  EXPECT_EQ(Fonts(x4TableOnly([](std::string) { return std::string(); })), Names{});
  EXPECT_THAT(Fonts(x4TableOnly(Cut)), testing::IsSubsetOf(kX4.fonts));
  EXPECT_THAT(Fonts(x4TableOnly(Damage)), testing::IsSubsetOf(kX4.fonts));
  EXPECT_EQ(Fonts(Rebuilt(x4, "content/riffData.cdr", Damage)), kX4.fonts);
}

// Bytes nobody meant to be read: the engine must neither crash nor print.
TEST_F(CdrZipTest, MutatedDocumentsNeitherCrashNorPrint) {
  std::mt19937 random(20261210);
  TempFolder folder;
  document_test::StderrCapture stderrCapture(folder / "stderr.txt");
  for (const ContainerFixture* fixture : {&kX4, &kX5, &kX6}) {
    const std::string& real = Bytes(*fixture);
    std::vector<CdrContainerMember> members = Members(real);
    for (CdrContainerMember& member : Members(real, IsMetadata)) members.push_back(member);
    for (int round = 0; round < 60; ++round) {
      std::string bytes;
      if (round % 3 == 0) {
        // The container itself cut anywhere.
        bytes = real.substr(0, random() % real.size());
      } else {
        // A member garbled or cut, the container rebuilt around it.
        ZipWriter zip;
        const std::size_t victim = random() % members.size();
        for (std::size_t i = 0; i < members.size(); ++i) {
          std::string data = members[i].bytes;
          if (i == victim && !data.empty()) {
            if (round % 3 == 1) {
              for (int k = 0; k < 16; ++k) {
                data[random() % data.size()] = static_cast<char>(random());
              }
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
  }
  EXPECT_EQ(stderrCapture.Finish(), "");
}

}  // namespace
}  // namespace corvid
