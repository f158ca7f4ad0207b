#include "engine/discovery/installed_fonts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/text_codec.h"
#include "test_support.h"

namespace corvid {
namespace {

using tessaro_test::DataPath;
using tessaro_test::ScopedEnv;
using tessaro_test::TempDir;
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
  void Install(const std::string& source, const std::string& relative) {
    fs::create_directories(fs::path(fonts() + "/" + relative).parent_path());
    fs::copy_file(source, fonts() + "/" + relative);
  }

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

}  // namespace
}  // namespace corvid
