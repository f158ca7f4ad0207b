#include "engine/discovery/installed_fonts.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "common/file_lister.h"
#include "engine/acquire/font_installer.h"
#include "engine/discovery/font_name_cache.h"
#include "platform/fonts.h"
#include "platform/text_codec.h"
#include "test_support.h"

namespace corvid {
namespace {

using tessaro_test::DataPath;
using tessaro_test::ReadFile;
using tessaro_test::ScopedEnv;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;
using tessaro_test::WriteFontConfig;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

constexpr const char* kDejaVuSans = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

// A machine whose installed fonts are exactly the files copied into its font folder.
class Machine {
 public:
  explicit Machine(const std::string& extraXml = "") {
    fs::create_directories(fonts());
    config_.emplace("FONTCONFIG_FILE",
                    WriteFontConfig(dir_ / "fonts.conf", {fonts()}, dir_ / "cache", extraXml));
  }
  std::string fonts() const { return dir_ / "fonts"; }
  std::string Font(const std::string& relative) const { return fonts() + "/" + relative; }
  void Install(const std::string& source, const std::string& relative) {
    fs::create_directories(fs::path(fonts() + "/" + relative).parent_path());
    fs::copy_file(source, fonts() + "/" + relative);
  }
  std::string path(const std::string& name) const { return dir_ / name; }

 private:
  TempDir dir_;
  std::optional<ScopedEnv> config_;
};

TEST(ComputeLackFonts, FontFileNamesWidenTheEnumeratedNames) {
  Machine machine;
  machine.Install(kDejaVuSans, "DejaVuSans.ttf");
  machine.Install(DataPath("fonts/collection.ttc"), "sub/collection.ttc");
  DocumentFontSet document = {
      "DejaVuSans",          // the PostScript name, which the enumeration does not give
      "DejaVu Sans",         // the family name
      "TessaroBeta-Regular", // the second face of a collection
      "dejavu sans", " DejaVu Sans", "DejaVu Sans ", "@DejaVu Sans", "ABCDEF+DejaVuSans",
      "Missing Font", "",
  };
  EXPECT_EQ(ComputeLackFonts(document),
            (Names{"", " DejaVu Sans", "@DejaVu Sans", "ABCDEF+DejaVuSans", "DejaVu Sans ",
                   "Missing Font", "dejavu sans"}));
}

TEST(ComputeLackFonts, FontThatIsNotEnumeratedDoesNotCount) {
  // fontconfig rejects the files of one subfolder: they are in the font folder, yet the system
  // does not list them, so none of their names is installed.
  Machine machine("  <selectfont><rejectfont><glob>*/rejected/*</glob></rejectfont></selectfont>\n");
  machine.Install(DataPath("fonts/names-mixed.ttf"), "rejected/names-mixed.ttf");
  machine.Install(DataPath("fonts/bitmap.bdf"), "bitmap.bdf");
  EXPECT_EQ(ComputeLackFonts({"TessaroMixed-Regular", "Tessaro Mixed", "Tessaro Bitmap"}),
            (Names{"Tessaro Mixed", "TessaroMixed-Regular"}));
}

TEST(ComputeLackFonts, NothingIsInstalledWithAnEmptyConfiguration) {
  TempDir dir;
  ScopedEnv config("FONTCONFIG_FILE", WriteFontConfig(dir / "empty.conf", {}, dir / "cache"));
  EXPECT_EQ(ComputeLackFonts({"DejaVu Sans", "Arial"}), (Names{"Arial", "DejaVu Sans"}));
  EXPECT_TRUE(ComputeLackFonts({}).empty());
}

TEST(ComputeLackFonts, NamesAreComparedInTheNarrowCodePage) {
  Machine machine;
  machine.Install(DataPath("fonts/names-mixed.ttf"), "names-mixed.ttf");
  platform::SetAnsiCodePage(platform::kGbkCodePage);
  // The UTF-8 bytes that XMP metadata holds never equal the GBK name the system gives.
  Names missing = ComputeLackFonts({"宋体测试", "\xCB\xCE\xCC\xE5\xB2\xE2\xCA\xD4"});
  platform::SetAnsiCodePage(platform::kAnsiCodePage);
  EXPECT_EQ(missing, (Names{"宋体测试"}));
}

TEST(ScanFontFolder, GroupsKeepPlaceholderFamiliesAndTraceEachFile) {
  Machine machine;
  machine.Install(DataPath("fonts/placeholder-family.ttf"), "placeholder-family.ttf");
  machine.Install(DataPath("fonts/make_fonts.py"), "not-a-font.txt");
  ScopedEnv trace("CORVID_TRACE", "1");
  testing::internal::CaptureStderr();
  FontFileGroups groups = ScanFontFolder();
  std::string traced = testing::internal::GetCapturedStderr();
  ASSERT_EQ(groups.size(), 1u);
  EXPECT_EQ(groups[0], (Names{"?????", "方正兰亭黑", "FZLTH--GBK1-0"}));
  EXPECT_EQ(traced, "1, " + machine.fonts() + "/placeholder-family.ttf, ?????\n");
}

TEST(WidenInstalledSet, GroupsAreTakenInOrderOnce) {
  const struct {
    const char* what;
    FontFileGroups groups;
    InstalledFontSet expected;
  } cases[] = {
      // A and B share "Shared", which the system does not enumerate; only B has "Known".
      {"B before A: A's names come in through the shared name",
       {{"Known", "Shared", "B-PS"}, {"Shared", "A-PS"}},
       {"A-PS", "B-PS", "Known", "Shared"}},
      {"A before B: A's names do not",
       {{"Shared", "A-PS"}, {"Known", "Shared", "B-PS"}},
       {"B-PS", "Known", "Shared"}},
      {"a group without an installed name adds nothing", {{"Other", "Other-PS"}}, {"Known"}},
  };
  for (const auto& c : cases) {
    InstalledFontSet installed = {"Known"};
    WidenInstalledSet(installed, c.groups);
    EXPECT_EQ(installed, c.expected) << c.what;
  }
}

// The record of font names and the kept inventory are used at once, as for files that were left
// alone long enough; the record lives in a temporary cache folder.
class KeptInventory {
 public:
  KeptInventory() {
    SetSettleTimeForTesting(0);
    env_.emplace("XDG_CACHE_HOME", home());
  }
  ~KeptInventory() { SetSettleTimeForTesting(kFontNameCacheSettleTime); }
  std::string record() const {
    return FontNameCache::FileFor(home() + "/tessaro",
                                  platform::ResolveCodePage(platform::kAnsiCodePage));
  }
  // Another cache folder holding a copy of the record: what a new process finds on disk, without
  // the record this process keeps in memory.
  void NewProcess() {
    std::string from = home();
    ++home_;
    fs::create_directories(home());
    if (fs::exists(from + "/tessaro")) fs::copy(from + "/tessaro", home() + "/tessaro");
    env_.reset();
    env_.emplace("XDG_CACHE_HOME", home());
  }

 private:
  std::string home() const { return dir_ / ("home" + std::to_string(home_)); }

  TempDir dir_;
  int home_ = 0;
  std::optional<ScopedEnv> env_;
};

// Every file of the font folders read now with FreeType, nothing recorded: what ScanFontFolder
// has to give.
FontFileGroups ReadEveryFile() {
  std::vector<std::string> files;
  for (std::string folder : platform::SystemFontFolders()) {
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    tessaro::CollectFiles(folder, files);
  }
  FontFileGroups groups;
  FontFileReader reader;
  for (const std::string& file : files) {
    FontFileNames names = reader.Read(file, PlaceholderFamilies::kKeep);
    if (!names.empty()) groups.push_back(std::move(names));
  }
  return groups;
}

void Damage(const std::string& file) {
  std::string bytes = ReadFile(file);
  bytes[bytes.size() / 2] ^= 0x10;
  WriteFile(file, bytes);
}

// names-mixed.ttf with one name changed and the size kept.
std::string AlteredNamesMixed(const std::string& to) {
  std::string bytes = ReadFile(DataPath("fonts/names-mixed.ttf"));
  auto utf16be = [](const std::string& ascii) {
    std::string wide;
    for (char c : ascii) wide += {'\0', c};
    return wide;
  };
  std::size_t at = bytes.find(utf16be("TessaroMixed-Regular"));
  EXPECT_NE(at, std::string::npos);
  EXPECT_EQ(to.size(), 20u);
  if (at != std::string::npos) bytes.replace(at, 40, utf16be(to));
  return bytes;
}

TEST(ScanFontFolder, RecordedNamesAreTheNamesReadNow) {
  Machine machine;
  KeptInventory kept;
  machine.Install(DataPath("fonts/names-mixed.ttf"), "a.ttf");
  machine.Install(DataPath("fonts/collection.ttc"), "sub/b.ttc");
  machine.Install(DataPath("fonts/placeholder-family.ttf"), "c.ttf");
  machine.Install(DataPath("fonts/bitmap.bdf"), "d.bdf");
  machine.Install(DataPath("fonts/make_fonts.py"), "notes.txt");
  const std::string a = machine.Font("a.ttf");
  const auto keepTimes = [](const std::string& file, fs::file_time_type time) {
    fs::last_write_time(file, time);
  };
  const struct {
    const char* what;
    std::function<void()> change;
    std::uint64_t read;  // files opened with FreeType
  } steps[] = {
      {"first scan: every file is read", [] {}, 5},
      {"nothing changed: nothing is read", [] {}, 0},
      {"nothing changed after a scan with another configuration, which keeps this one's record",
       [&] {
         ScopedEnv other("FONTCONFIG_FILE", WriteFontConfig(machine.path("empty.conf"), {},
                                                            machine.path("cache2")));
         EXPECT_TRUE(ScanFontFolder().empty());
       },
       0},
      {"a font added", [&] { machine.Install(DataPath("fonts/long-name.ttf"), "sub/e.ttf"); }, 1},
      {"a font written over with another of the same size, its time kept",
       [&] {
         auto time = fs::last_write_time(a);
         std::fstream out(a, std::ios::binary | std::ios::in | std::ios::out);
         std::string bytes = AlteredNamesMixed("TessaroMixed-Altered");
         out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
         out.close();
         keepTimes(a, time);
       },
       1},
      {"a font replaced by a new file of the same size and time",
       [&] {
         auto time = fs::last_write_time(a);
         WriteFile(machine.path("new.ttf"), AlteredNamesMixed("TessaroMixed-Another"));
         keepTimes(machine.path("new.ttf"), time);
         fs::rename(machine.path("new.ttf"), a);
       },
       1},
      {"a font removed", [&] { fs::remove(machine.Font("c.ttf")); }, 0},
      {"a not-a-font file added", [&] { WriteFile(machine.Font("sub/more.txt"), "text"); }, 1},
      {"the record damaged: this process keeps its own, and the file is written anew",
       [&] { Damage(kept.record()); }, 0},
      {"a new process finds a damaged record",
       [&] {
         Damage(kept.record());
         kept.NewProcess();
       },
       6},
      {"a new process finds a record cut short",
       [&] {
         WriteFile(kept.record(), ReadFile(kept.record()).substr(0, 100));
         kept.NewProcess();
       },
       6},
      {"a new process finds another file",
       [&] {
         WriteFile(kept.record(), "TSRFNAME");
         kept.NewProcess();
       },
       6},
      {"a new process finds no record",
       [&] {
         fs::remove(kept.record());
         kept.NewProcess();
       },
       6},
      {"a new process finds a sound record", [&] { kept.NewProcess(); }, 0},
      {"and kept again", [] {}, 0},
  };
  std::string firstTrace;
  for (const auto& step : steps) {
    step.change();
    std::uint64_t before = GetInventoryStatistics().filesRead;
    ScopedEnv trace("CORVID_TRACE", "1");
    testing::internal::CaptureStderr();
    FontFileGroups groups = ScanFontFolder();
    std::string traced = testing::internal::GetCapturedStderr();
    EXPECT_EQ(groups, ReadEveryFile()) << step.what;
    EXPECT_EQ(GetInventoryStatistics().filesRead - before, step.read) << step.what;
    if (firstTrace.empty()) firstTrace = traced;
    if (step.read == 0 && std::string(step.what).find("nothing") != std::string::npos) {
      EXPECT_EQ(traced, firstTrace) << step.what << ": the same trace, recorded or read";
    }
    FontNameCache record(kept.record(), platform::ResolveCodePage(platform::kAnsiCodePage));
    EXPECT_TRUE(record.Load()) << step.what << ": a sound record is left";
  }
  // The record holds the files there are now, and only those.
  FontNameCache record(kept.record(), platform::ResolveCodePage(platform::kAnsiCodePage));
  ASSERT_TRUE(record.Load());
  EXPECT_EQ(record.size(), 6u);
  EXPECT_EQ(ReadEveryFile().size(), 4u);
}

void WaitForTheNextSecond() {
  // fontconfig notices a changed font folder by its time in whole seconds.
  auto now = std::chrono::system_clock::now().time_since_epoch();
  auto next = std::chrono::duration_cast<std::chrono::seconds>(now) + std::chrono::seconds(1);
  std::this_thread::sleep_for(next - now + std::chrono::milliseconds(20));
}

TEST(ComputeLackFonts, InventoryIsKeptWhileNothingChanges) {
  Machine machine;
  KeptInventory kept;
  machine.Install(DataPath("fonts/names-mixed.ttf"), "a/names-mixed.ttf");
  fs::create_directories(machine.Font("b"));
  const DocumentFontSet document = {"TessaroMixed-Regular", "TessaroAlpha-Regular", "Missing"};
  const Names withoutCollection = {"Missing", "TessaroAlpha-Regular"};
  InventoryStatistics before = GetInventoryStatistics();
  for (int call = 0; call < 5; ++call) EXPECT_EQ(ComputeLackFonts(document), withoutCollection);
  InventoryStatistics after = GetInventoryStatistics();
  EXPECT_EQ(after.enumerations - before.enumerations, 1u);
  EXPECT_EQ(after.folderScans - before.folderScans, 1u);

  const struct {
    const char* what;
    std::function<void()> change;
    Names missing;
  } steps[] = {
      {"a font added to an empty subfolder",
       [&] { machine.Install(DataPath("fonts/collection.ttc"), "b/collection.ttc"); },
       {"Missing"}},
      {"a font removed", [&] { fs::remove(machine.Font("b/collection.ttc")); }, withoutCollection},
      {"a font in a new subfolder",
       [&] { machine.Install(DataPath("fonts/collection.ttc"), "a/new/collection.ttc"); },
       {"Missing"}},
  };
  for (const auto& step : steps) {
    WaitForTheNextSecond();
    step.change();
    before = GetInventoryStatistics();
    EXPECT_EQ(ComputeLackFonts(document), step.missing) << step.what;
    EXPECT_EQ(ComputeLackFonts(document), step.missing) << step.what;
    after = GetInventoryStatistics();
    EXPECT_EQ(after.folderScans - before.folderScans, 1u) << step.what;
    EXPECT_LE(after.filesRead - before.filesRead, 1u) << step.what;
  }
}

TEST(ComputeLackFonts, InstalledFontsCountAtOnce) {
  Machine machine;
  KeptInventory kept;
  TempDir package;
  machine.Install(kDejaVuSans, "DejaVuSans.ttf");
  fs::copy_file(DataPath("fonts/names-mixed.ttf"), package / "names-mixed.ttf");
  const DocumentFontSet document = {"DejaVuSans", "TessaroMixed-Regular"};
  EXPECT_EQ(ComputeLackFonts(document), (Names{"TessaroMixed-Regular"}));
  InstallReport report = InstallFontFolder(package.path(), package / "user-fonts");
  ASSERT_EQ(report.fonts.size(), 1u);
  EXPECT_TRUE(ComputeLackFonts(document).empty());
}

TEST(ComputeLackFonts, ThreadsShareOneInventory) {
  Machine machine;
  KeptInventory kept;
  machine.Install(kDejaVuSans, "DejaVuSans.ttf");
  machine.Install(DataPath("fonts/collection.ttc"), "collection.ttc");
  const DocumentFontSet document = {"DejaVuSans", "TessaroBeta-Regular", "Missing"};
  InventoryStatistics before = GetInventoryStatistics();
  std::vector<Names> results(4);
  std::vector<std::thread> threads;
  for (Names& result : results) {
    threads.emplace_back([&] {
      for (int call = 0; call < 10; ++call) result = ComputeLackFonts(document);
    });
  }
  for (std::thread& thread : threads) thread.join();
  InventoryStatistics after = GetInventoryStatistics();
  for (const Names& result : results) EXPECT_EQ(result, (Names{"Missing"}));
  EXPECT_EQ(after.enumerations - before.enumerations, 1u);
  EXPECT_EQ(after.folderScans - before.folderScans, 1u);
}

}  // namespace
}  // namespace corvid
