// InstallFonts and the installer behind it, with real fonts from Debian's packages. HOME,
// XDG_DATA_HOME, XDG_CACHE_HOME and FONTCONFIG_FILE point into a temporary folder before
// fontconfig is first used, so the real user's fonts are never touched.

#include "engine/acquire/font_installer.h"

#include <fontconfig/fontconfig.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "engine/include/corvid/corvid.h"
#include "platform/fonts.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using tessaro_test::ListTree;
using tessaro_test::ReadFile;
using tessaro_test::ScopedEnv;
using tessaro_test::SystemFont;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;
using Tree = std::vector<std::string>;

// The temporary home of the whole test program.
struct Home {
  std::string root;
  std::string userFonts;  // $XDG_DATA_HOME/fonts
  std::string cache;      // $XDG_CACHE_HOME/fontconfig
  std::string config;     // FONTCONFIG_FILE: only the user's font folder
};
Home* g_home = nullptr;

class HomeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "tessaro-install-XXXXXX").string();
    home_.root = mkdtemp(pattern.data());
    home_.userFonts = home_.root + "/data/fonts";
    home_.cache = home_.root + "/cache/fontconfig";
    home_.config = home_.root + "/fonts.conf";
    WriteFile(home_.config,
              "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
              "<fontconfig>\n  <dir prefix=\"xdg\">fonts</dir>\n"
              "  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n</fontconfig>\n");
    setenv("HOME", (home_.root + "/home").c_str(), 1);
    setenv("XDG_DATA_HOME", (home_.root + "/data").c_str(), 1);
    // fontconfig's "xdg" folders include every XDG data folder, /usr/share by default: only the
    // temporary ones may count, or the system's fonts would be installed already.
    setenv("XDG_DATA_DIRS", (home_.root + "/shared").c_str(), 1);
    setenv("XDG_CACHE_HOME", (home_.root + "/cache").c_str(), 1);
    setenv("FONTCONFIG_FILE", home_.config.c_str(), 1);
    g_home = &home_;
  }
  void TearDown() override {
    std::error_code ignored;
    fs::remove_all(home_.root, ignored);
  }

 private:
  Home home_;
};
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new HomeEnvironment);

class FontInstallerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::error_code ignored;
    fs::remove_all(g_home->userFonts, ignored);
    fs::remove_all(g_home->cache, ignored);
  }

  static std::string UserFont(const std::string& name) { return g_home->userFonts + "/" + name; }

  // A package folder with the given files; a name without a system font of that name gets the
  // text as contents.
  static void Fill(const std::string& folder,
                   const std::vector<std::pair<std::string, std::string>>& files) {
    fs::create_directories(folder);
    for (const auto& [name, source] : files) {
      std::string font = SystemFont(source);
      WriteFile(folder + "/" + name, font.empty() ? source : ReadFile(font));
    }
  }
};

TEST_F(FontInstallerTest, FontsLandInTheUserFontFolderAndNothingElseDoes) {
  TempDir package;
  Fill(package.path(), {
                           {"DejaVuSans.ttf", "DejaVuSans.ttf"},
                           {"Serif/LiberationSerif-Regular.ttf", "LiberationSerif-Regular.ttf"},
                           {"readme.htm", "<html>vendor page</html>"},
                           {"PAGE.HTML", "<html>vendor page</html>"},
                           {"Serif/notes.htm", "<html>not directly in the folder</html>"},
                           {"license.txt", "free fonts"},
                           {"preview.png", "\x89PNG\r\n\x1a\n not really"},
                           {"setup.sh", "#!/bin/sh\necho hi\n"},
                           {"fake.ttf", "this text only pretends to be a font"},
                       });
  InstallFonts(package.path().c_str());
  EXPECT_EQ(ListTree(g_home->userFonts), (Tree{"DejaVuSans.ttf", "LiberationSerif-Regular.ttf"}));
  EXPECT_EQ(ReadFile(UserFont("DejaVuSans.ttf")), ReadFile(SystemFont("DejaVuSans.ttf")));
  EXPECT_EQ(ReadFile(UserFont("LiberationSerif-Regular.ttf")),
            ReadFile(SystemFont("LiberationSerif-Regular.ttf")));
  // Only the web pages directly in the folder are deleted; nothing else there changes.
  EXPECT_EQ(ListTree(package.path()),
            (Tree{"DejaVuSans.ttf", "Serif/", "Serif/LiberationSerif-Regular.ttf",
                  "Serif/notes.htm", "fake.ttf", "license.txt", "preview.png", "setup.sh"}));
}

TEST_F(FontInstallerTest, ReportSaysWhatWasInstalled) {
  TempDir package;
  Fill(package.path(), {{"DejaVuSansMono.ttf", "DejaVuSansMono.ttf"}, {"a.txt", "text"}});
  corvid::InstallReport report = corvid::InstallFontFolder(package.path());
  ASSERT_EQ(report.fonts.size(), 1u);
  EXPECT_EQ(report.fonts[0].source, package / "DejaVuSansMono.ttf");
  EXPECT_EQ(report.fonts[0].target, UserFont("DejaVuSansMono.ttf"));
  EXPECT_TRUE(report.fonts[0].copied);
  EXPECT_EQ(report.fonts[0].faceName, "DejaVu Sans Mono");
  EXPECT_EQ(report.skipped, (std::vector<std::string>{package / "a.txt"}));
  EXPECT_TRUE(report.failed.empty());
}

// Programs started afterwards find the fonts through fontconfig's cache of the folder.
TEST_F(FontInstallerTest, FontconfigListsTheInstalledFonts) {
  TempDir package;
  Fill(package.path(), {{"DejaVuSerif.ttf", "DejaVuSerif.ttf"},
                        {"LiberationSans-Bold.ttf", "LiberationSans-Bold.ttf"}});
  InstallFonts(package.path().c_str());

  FcConfig* config = FcConfigCreate();
  ASSERT_TRUE(FcConfigParseAndLoad(config, reinterpret_cast<const FcChar8*>(g_home->config.c_str()),
                                   FcTrue));
  FcChar8* cacheFile = nullptr;
  FcCache* cache = FcDirCacheLoad(reinterpret_cast<const FcChar8*>(g_home->userFonts.c_str()),
                                  config, &cacheFile);
  ASSERT_NE(cache, nullptr) << "no valid cache of the user font folder was written";
  EXPECT_EQ(FcCacheNumFont(cache), 2);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(cacheFile)).rfind(g_home->cache, 0), 0u);
  FcDirCacheUnload(cache);
  FcStrFree(cacheFile);
  FcConfigDestroy(config);

  // A program of its own: fc-list with the same environment.
  TempDir out;
  std::string command = "fc-list : family file > '" + (out / "list") + "'";
  ASSERT_EQ(std::system(command.c_str()), 0);
  std::string list = ReadFile(out / "list");
  EXPECT_NE(list.find(UserFont("DejaVuSerif.ttf") + ": DejaVu Serif"), std::string::npos) << list;
  EXPECT_NE(list.find(UserFont("LiberationSans-Bold.ttf") + ": Liberation Sans"), std::string::npos)
      << list;
}

std::string LackFontNames(const std::string& document) {
  std::vector<char> buffer(2038, '\0');
  int length = static_cast<int>(buffer.size());
  GetLackFontNames(document.c_str(), buffer.data(), &length);
  return std::string(buffer.data(), static_cast<std::size_t>(length));
}

TEST_F(FontInstallerTest, GetLackFontNamesNoLongerReportsInstalledFonts) {
  TempDir work;
  std::string document = work / "poster.pdf";
  WriteFile(document,
            "%PDF-1.4\n1 0 obj\n<< /Type /FontDescriptor /FontName /LiberationMono-Bold "
            "/Flags 32 >>\nendobj\n2 0 obj\n<< /Type /FontDescriptor /FontName /Unobtainium "
            "/Flags 32 >>\nendobj\n%%EOF\n");
  ASSERT_EQ(LackFontNames(document), "LiberationMono-Bold,Unobtainium,");
  Fill(work / "package", {{"LiberationMono-Bold.ttf", "LiberationMono-Bold.ttf"}});
  InstallFonts((work / "package").c_str());
  EXPECT_EQ(LackFontNames(document), "Unobtainium,");
}

// A font installed by this process stays known when the configuration is loaded again, even
// from a configuration that does not list the user's font folder.
TEST_F(FontInstallerTest, InstalledFontsSurviveAConfigurationReload) {
  TempDir work;
  Fill(work / "package", {{"DejaVuSansCondensed-Bold.ttf", "DejaVuSansCondensed-Bold.ttf"}});
  InstallFonts((work / "package").c_str());
  auto known = [] {
    std::set<std::string> names;
    platform::EnumerateInstalledFaceNames(
        [](const char* name, void* context) {
          static_cast<std::set<std::string>*>(context)->insert(name);
          return 1;
        },
        &names);
    return names.count("DejaVu Sans Condensed") != 0;
  };
  EXPECT_TRUE(known());
  std::string empty = work / "empty.conf";
  WriteFile(empty, "<?xml version=\"1.0\"?>\n<fontconfig></fontconfig>\n");
  {
    ScopedEnv other("FONTCONFIG_FILE", empty);
    EXPECT_TRUE(known());
  }
  EXPECT_TRUE(known());
}

TEST_F(FontInstallerTest, ExistingFilesAreNeverOverwritten) {
  std::string serif = ReadFile(SystemFont("DejaVuSerif-Bold.ttf"));
  WriteFile(UserFont("DejaVuSans-Bold.ttf"), ReadFile(SystemFont("DejaVuSans-Bold.ttf")));
  WriteFile(UserFont("LiberationSans-Italic.ttf"), serif);
  WriteFile(UserFont("LiberationSans-Italic-1.ttf"), "some other file");
  TempDir package;
  Fill(package.path(), {{"DejaVuSans-Bold.ttf", "DejaVuSans-Bold.ttf"},
                        {"LiberationSans-Italic.ttf", "LiberationSans-Italic.ttf"}});
  corvid::InstallReport report = corvid::InstallFontFolder(package.path());
  ASSERT_EQ(report.fonts.size(), 2u);
  for (const corvid::InstalledFont& font : report.fonts) {
    SCOPED_TRACE(font.source);
    if (font.source == package / "DejaVuSans-Bold.ttf") {
      EXPECT_FALSE(font.copied);  // the same bytes: installed already
      EXPECT_EQ(font.target, UserFont("DejaVuSans-Bold.ttf"));
    } else {
      EXPECT_TRUE(font.copied);
      EXPECT_EQ(font.target, UserFont("LiberationSans-Italic-2.ttf"));
    }
  }
  EXPECT_EQ(ListTree(g_home->userFonts),
            (Tree{"DejaVuSans-Bold.ttf", "LiberationSans-Italic-1.ttf",
                  "LiberationSans-Italic-2.ttf", "LiberationSans-Italic.ttf"}));
  EXPECT_EQ(ReadFile(UserFont("LiberationSans-Italic.ttf")), serif);
  EXPECT_EQ(ReadFile(UserFont("LiberationSans-Italic-1.ttf")), "some other file");
  EXPECT_EQ(ReadFile(UserFont("LiberationSans-Italic-2.ttf")),
            ReadFile(SystemFont("LiberationSans-Italic.ttf")));

  // Installing the same package again adds nothing.
  InstallFonts(package.path().c_str());
  EXPECT_EQ(ListTree(g_home->userFonts).size(), 4u);
}

TEST_F(FontInstallerTest, SubfolderFontsGoInByTheirOwnNames) {
  TempDir package;
  Fill(package.path(), {{"Regular/Font.ttf", "DejaVuSans.ttf"},
                        {"Bold/Font.ttf", "DejaVuSans-Bold.ttf"},
                        {"Copy/Font.ttf", "DejaVuSans.ttf"},
                        {".hidden/Secret.ttf", "DejaVuSerif.ttf"}});
  InstallFonts(package.path().c_str());
  // Two different fonts called Font.ttf, and a third copy of the first.
  Tree tree = ListTree(g_home->userFonts);
  EXPECT_EQ(tree, (Tree{"Font-1.ttf", "Font.ttf"}));
  std::set<std::string> contents{ReadFile(UserFont("Font.ttf")), ReadFile(UserFont("Font-1.ttf"))};
  EXPECT_EQ(contents, (std::set<std::string>{ReadFile(SystemFont("DejaVuSans.ttf")),
                                             ReadFile(SystemFont("DejaVuSans-Bold.ttf"))}));
}

TEST_F(FontInstallerTest, NothingToInstall) {
  TempDir work;
  fs::create_directory(work / "empty");
  Fill(work / "texts", {{"readme.htm", "<html/>"}, {"a.txt", "a"}});
  for (const std::string& folder : {work / "missing", work / "empty", work / "texts"}) {
    SCOPED_TRACE(folder);
    InstallFonts(folder.c_str());
    EXPECT_FALSE(fs::exists(g_home->userFonts));
  }
  InstallFonts(nullptr);
  EXPECT_EQ(ListTree(work / "texts"), Tree{"a.txt"});
}

TEST_F(FontInstallerTest, UserFontFolder) {
  const struct {
    const char* dataHome;  // nullptr: unset
    std::string folder;
  } cases[] = {
      {"/srv/data", "/srv/data/fonts"},
      {"/srv/data/", "/srv/data/fonts"},
      {nullptr, g_home->root + "/home/.local/share/fonts"},
      {"", g_home->root + "/home/.local/share/fonts"},
      {"relative/data", g_home->root + "/home/.local/share/fonts"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.dataHome == nullptr ? "(unset)" : c.dataHome);
    std::optional<ScopedEnv> env;
    std::string saved = std::getenv("XDG_DATA_HOME");
    if (c.dataHome != nullptr) {
      env.emplace("XDG_DATA_HOME", c.dataHome);
    } else {
      unsetenv("XDG_DATA_HOME");
    }
    EXPECT_EQ(platform::FontInstallFolder(), c.folder);
    env.reset();
    setenv("XDG_DATA_HOME", saved.c_str(), 1);
  }
}

TEST_F(FontInstallerTest, SeveralThreadsInstallAtOnce) {
  TempDir work;
  const char* fonts[] = {"LiberationSerif-Bold.ttf", "LiberationSerif-Italic.ttf",
                         "LiberationMono-Italic.ttf", "DejaVuSerif-Italic.ttf"};
  std::vector<std::thread> threads;
  for (const char* font : fonts) {
    std::string folder = work / font;
    Fill(folder, {{font, font}});
    threads.emplace_back([folder] { InstallFonts(folder.c_str()); });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(ListTree(g_home->userFonts),
            (Tree{"DejaVuSerif-Italic.ttf", "LiberationMono-Italic.ttf", "LiberationSerif-Bold.ttf",
                  "LiberationSerif-Italic.ttf"}));
}

}  // namespace
