// `tessaro install` as a user runs it: the built program, with the engine beside it, against
// local packages and a loopback HTTP server. HOME, XDG_DATA_HOME, XDG_CACHE_HOME and
// FONTCONFIG_FILE point into a temporary folder that the program inherits; on Windows the fonts
// go into the Fonts folder of the tests' own prefix, cleaned up at the end
// (tests/font_install_home.h).

// First: they bring in Winsock's header and <windows.h> in the order they need.
#include "tests/child_process.h"
#include "tests/font_install_home.h"
// (The other headers after them.)
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/environment.h"
#include "platform/filesystem.h"
#include "tests/archive_support.h"
#include "tests/platform/host.h"
#include "tests/test_server.h"
#include "tests/test_support.h"

namespace {

namespace fs = std::filesystem;
using tessaro_test::Format;
using tessaro_test::ListTree;
using tessaro_test::Member;
using tessaro_test::ReadFile;
using tessaro_test::SystemFont;
using tessaro_test::TempDir;
using tessaro_test::TestServer;
using tessaro_test::WriteArchive;
using tessaro_test::WriteFile;
using Tree = std::vector<std::string>;

std::string g_root;
tessaro_test::FontInstallHome* g_fonts = nullptr;

void SetEnv(const char* name, const std::optional<std::string>& value) {
  platform::SetEnvironmentValue(name, value);
}

class HomeEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    g_root = tessaro_test::TempDir::MakeFolder("tessaro-cli-");
    tessaro_test::WriteFile(
        tessaro_test::JoinNative(g_root, "fonts.conf"),
        "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir prefix=\"xdg\">fonts</dir>\n"
        "  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n</fontconfig>\n");
    g_fonts = new tessaro_test::FontInstallHome(g_root);  // HOME, XDG_DATA_HOME, XDG_CACHE_HOME
    // No system fonts in "xdg".
    SetEnv("XDG_DATA_DIRS", tessaro_test::JoinNative(g_root, "shared"));
    SetEnv("XDG_STATE_HOME", tessaro_test::JoinNative(g_root, "state"));
    SetEnv("FONTCONFIG_FILE", tessaro_test::JoinNative(g_root, "fonts.conf"));
    tessaro_test::ClearProxyEnvironment();
  }
  void TearDown() override {
    delete g_fonts;
    g_fonts = nullptr;
    std::error_code ignored;
    fs::remove_all(g_root, ignored);
  }
};
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new HomeEnvironment);

std::string UserFonts() { return g_fonts->folder(); }

// The engine's file name here: "Corvid.dll" or "libCorvid.so".
const std::string kEngine = platform::SharedLibraryFileName("Corvid");

tessaro_test::ProgramRun Tessaro(std::vector<std::string> args) {
  args.insert(args.begin(), "install");
  return tessaro_test::RunProgram(
      tessaro_test::JoinNative(TESSARO_BIN_DIR, platform::ProgramFileName("tessaro")), args);
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST(TessaroInstallTest, LocalPackageIsInstalledAndThenAlreadyThere) {
  TempDir work;
  std::string archive = work / "fonts.zip";
  ASSERT_TRUE(
      WriteArchive(archive, Format::kZip,
                   {{Member::kFile, "Fonts/DejaVuSans.ttf", ReadFile(SystemFont("DejaVuSans.ttf"))},
                    {Member::kFile, "readme.txt", "free fonts"}}));
  tessaro_test::ProgramRun first = Tessaro({archive});
  EXPECT_EQ(first.exitCode, 0) << first.out << first.err;
  EXPECT_TRUE(Contains(first.out, "installed          DejaVuSans.ttf  (from " + archive + ")"))
      << first.out;
  EXPECT_TRUE(Contains(first.out, "1 font installed, 0 already installed, in " + UserFonts()))
      << first.out;
  EXPECT_TRUE(Contains(first.err, "] 2/2 installing fonts")) << first.err;
  EXPECT_EQ(g_fonts->Installed(), Tree{"DejaVuSans.ttf"});

  tessaro_test::ProgramRun second = Tessaro({archive});
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_TRUE(Contains(second.out, "already installed  DejaVuSans.ttf")) << second.out;
  EXPECT_EQ(g_fonts->Installed(), Tree{"DejaVuSans.ttf"});
}

TEST(TessaroInstallTest, AddressesAreDownloadedFirst) {
  TempDir work;
  std::string archive = work / "serif.7z";
  ASSERT_TRUE(WriteArchive(archive, Format::kSevenZip,
                           {{Member::kFile, "LiberationSerif-Bold.ttf",
                             ReadFile(SystemFont("LiberationSerif-Bold.ttf"))}}));
  std::string body = ReadFile(archive);
  TestServer server([&body](httplib::Server& s) {
    s.Get("/files/serif.7z", [&body](const httplib::Request&, httplib::Response& response) {
      response.set_content(body, "application/octet-stream");
    });
  });
  std::string missing = server.Url("/files/none.rar");
  tessaro_test::ProgramRun run = Tessaro({server.Url("/files/serif.7z"), missing});
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  EXPECT_TRUE(Contains(run.out, "installed          LiberationSerif-Bold.ttf")) << run.out;
  EXPECT_TRUE(Contains(run.out, missing + ": download failed")) << run.out;
  EXPECT_TRUE(Contains(run.err, "downloading " + missing)) << run.err;
  EXPECT_TRUE(fs::exists(tessaro_test::JoinNative(UserFonts(), "LiberationSerif-Bold.ttf")));
}

// The engine as the other commands load it: beside the program, through the fault guard.
class TessaroInstallEngineTest : public ::testing::Test {
 protected:
  // tessaro copied into a folder of its own, with `engine` beside it under the engine's name.
  std::string ProgramWith(const std::string& engine) {
    const std::string name = platform::ProgramFileName("tessaro");
    std::string program = folder_ / name;
    fs::copy_file(tessaro_test::JoinNative(TESSARO_BIN_DIR, name), program);
    if (!engine.empty()) tessaro_test::LinkOrCopyFile(engine, folder_ / kEngine);
    return program;
  }
  TempDir folder_;
  TempDir work_;
};

TEST_F(TessaroInstallEngineTest, AMissingEngineIsABadStart) {
  WriteFile(work_ / "notes.txt", "no fonts here");
  tessaro_test::ProgramRun run =
      tessaro_test::RunProgram(ProgramWith(""), {"install", work_ / "notes.txt"}, "LC_ALL=C");
  EXPECT_EQ(run.exitCode, 2) << run.out << run.err;
  EXPECT_TRUE(Contains(run.err, "The engine " + kEngine + " could not be loaded.")) << run.err;
}

// Regression: `tessaro install ARCHIVE` loaded the engine on its own, without the fault guard,
// and died with the engine's first fault.
TEST_F(TessaroInstallEngineTest, AFaultInsideTheEngineLeavesADumpAndTheCommandGoesOn) {
  WriteFile(work_ / "notes.txt", "no fonts here");
  std::string program =
      ProgramWith(tessaro_test::JoinNative(FAKE_ENGINES, "engine-faulting/" + kEngine));
  tessaro_test::ProgramRun run =
      tessaro_test::RunProgram(program, {"install", work_ / "notes.txt"}, "", work_.path());
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;  // no fonts came of it
  EXPECT_TRUE(Contains(run.out, "no fonts found")) << run.out;
  int dumps = 0;  // one for DecodeFiles, one for InstallFonts
  for (const auto& entry : fs::directory_iterator(work_.path())) {
    dumps += entry.path().extension() == ".dmp";
  }
  EXPECT_EQ(dumps, 2);
}

// "no fonts found" and "download failed" say why.
TEST(TessaroInstallTest, APackageThatGaveNoFontSaysWhy) {
  TempDir work;
  WriteFile(work / "notes.txt", "no fonts here");
  ASSERT_TRUE(WriteArchive(work / "readme.zip", Format::kZip,
                           {{Member::kFile, "readme.txt", "just a text"}}));
  TestServer server([](httplib::Server& s) {
    s.Get("/gone.zip",
          [](const httplib::Request&, httplib::Response& response) { response.status = 410; });
  });
  const std::string encrypted =
      std::string(TESSARO_TEST_DATA) + "/archives/test_read_format_rar4_encrypted.rar";
  tessaro_test::ProgramRun run =
      Tessaro({work / "notes.txt", work / "readme.zip", encrypted, server.Url("/gone.zip")});
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  for (const std::string& line :
       {work / "notes.txt" + ": no fonts found: neither an archive nor a font file\n",
        work / "readme.zip" +
            ": no fonts found: the package holds no font that could be installed\n",
        encrypted + ": no fonts found: password-protected archive\n",
        server.Url("/gone.zip") + ": download failed: HTTP 410\n"}) {
    EXPECT_TRUE(Contains(run.out, line)) << line << run.out;
  }
  EXPECT_TRUE(Contains(run.err, "tessaro: the log is in ")) << run.err;
}

TEST(TessaroInstallTest, UsageErrors) {
  TempDir work;
  WriteFile(work / "notes.txt", "no fonts here");
  const struct {
    std::vector<std::string> args;
    int exitCode;
    const char* err;
  } cases[] = {
      {{}, 2, "usage: tessaro [--service URL] install"},
      {{work / "missing.zip"}, 2, "cannot read"},
      {{work / "notes.txt"}, 1, ""},
  };
  for (const auto& c : cases) {
    tessaro_test::ProgramRun run = Tessaro(c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << run.out << run.err;
    EXPECT_TRUE(Contains(run.err, c.err)) << run.err;
  }
}

}  // namespace
