// tessaro scan / install / update against tessaro-service with the sample catalogue, in a home
// of its own: the whole road from a document to installed fonts.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "child_process.h"
#include "test_server.h"
#include "test_support.h"

namespace {

using tessaro_test::ProgramRun;
using tessaro_test::ServiceProcess;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;
namespace fs = std::filesystem;

const std::string kTessaro = std::string(TESSARO_BIN_DIR) + "/tessaro";
const std::string kFlyer = tessaro_test::DataPath("documents/sample/flyer.pdf");

// HOME, the XDG folders and fontconfig all point into one temporary folder whose only fonts are
// those the tests install.
class Home : public ::testing::Environment {
 public:
  void SetUp() override {
    root_ = std::make_unique<TempDir>();
    WriteFile(*root_ / "fonts.conf",
              "<?xml version=\"1.0\"?>\n<fontconfig>\n  <dir prefix=\"xdg\">fonts</dir>\n"
              "  <cachedir prefix=\"xdg\">fontconfig</cachedir>\n</fontconfig>\n");
    setenv("HOME", (*root_ / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (*root_ / "data").c_str(), 1);
    setenv("XDG_DATA_DIRS", (*root_ / "shared").c_str(), 1);
    setenv("XDG_CACHE_HOME", (*root_ / "cache").c_str(), 1);
    setenv("FONTCONFIG_FILE", (*root_ / "fonts.conf").c_str(), 1);
    setenv("LANG", "C.UTF-8", 1);
    unsetenv("LC_ALL");
    unsetenv("LC_MESSAGES");
    // The commands run in a folder of their own, which must stay empty.
    fs::create_directories(*root_ / "cwd");
    fs::current_path(*root_ / "cwd");
  }
  void TearDown() override { root_.reset(); }
  static std::string UserFonts() { return std::string(getenv("XDG_DATA_HOME")) + "/fonts"; }

 private:
  std::unique_ptr<TempDir> root_;
};
const auto* const kHome = ::testing::AddGlobalTestEnvironment(new Home);

class TessaroCli : public ::testing::Test {
 protected:
  TessaroCli() : service_(TESSARO_SAMPLE_CATALOG, log_ / "service.log") {}
  ProgramRun Tessaro(std::vector<std::string> args, const std::string& environment = "") {
    args.insert(args.begin(), {"--service", service_.url()});
    return tessaro_test::RunProgram(kTessaro, args, environment);
  }
  TempDir log_;
  ServiceProcess service_;
};

TEST_F(TessaroCli, ScanInstallScan) {
  ProgramRun scan = Tessaro({"scan", kFlyer});
  EXPECT_EQ(scan.exitCode, 1) << scan.err;  // one font is not offered
  EXPECT_EQ(scan.out,
            "DejaVuSans\tdownloadable\nDejaVuSans-Bold\tdownloadable\nDejaVuSerif\tdownloadable\n"
            "LiberationMono\tdownloadable\nLiberationSans\tdownloadable\n"
            "NimbusRoman-Regular\tnot downloadable\n");

  ProgramRun json = Tessaro({"scan", "--json", kFlyer});
  EXPECT_NE(json.out.find("\"offered\":{\"DejaVuSans\":[\"" + service_.url() +
                          "/fonts/DejaVuSans.zip\"]"),
            std::string::npos)
      << json.out;
  EXPECT_EQ(json.out.find("\"NimbusRoman-Regular\":["), std::string::npos);

  ProgramRun install = Tessaro({"install", kFlyer});
  EXPECT_EQ(install.exitCode, 1) << install.err;
  EXPECT_EQ(
      install.out,
      "installed\tDejaVuSans\ninstalled\tDejaVuSans-Bold\ninstalled\tDejaVuSerif\n"
      "installed\tLiberationMono\ninstalled\tLiberationSans\nnot offered\tNimbusRoman-Regular\n");
  EXPECT_NE(install.err.find("Download and installation finished."), std::string::npos);
  EXPECT_TRUE(fs::exists(Home::UserFonts() + "/DejaVuSans.ttf"));

  ProgramRun after = Tessaro({"scan", "--no-service", kFlyer});
  EXPECT_EQ(after.exitCode, 0);
  EXPECT_EQ(after.out, "NimbusRoman-Regular\n");

  ProgramRun again = Tessaro({"install", "--json", kFlyer});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_EQ(again.out, "{\"failed\":[],\"file\":\"" + kFlyer +
                           "\",\"installed\":[],\"problems\":{},\"unavailable\":[\"NimbusRoman-"
                           "Regular\"]}\n");
  // Nothing is left in the current directory or beside the document.
  EXPECT_TRUE(fs::is_empty(fs::current_path()));
}

TEST_F(TessaroCli, AfterInstallingEveryFontNoneIsMissing) {
  // The sample catalogue and a bare font file for the one font it lacks.
  TempDir catalog;
  fs::copy(TESSARO_SAMPLE_CATALOG, catalog.path(), fs::copy_options::recursive);
  fs::copy_file("/usr/share/fonts/opentype/urw-base35/NimbusRoman-Regular.otf",
                catalog / "fonts/NimbusRoman-Regular.otf");
  std::string json = tessaro_test::ReadFile(catalog / "catalog.json");
  json.replace(json.find("\"fonts\": {") + 10, 0,
               "\"NimbusRoman-Regular\": [\"fonts/NimbusRoman-Regular.otf\"], ");
  WriteFile(catalog / "catalog.json", json);
  ServiceProcess full(catalog.path(), log_ / "full.log");
  ASSERT_GT(full.port(), 0) << full.Log();

  ProgramRun install =
      tessaro_test::RunProgram(kTessaro, {"--service", full.url(), "install", kFlyer});
  EXPECT_EQ(install.exitCode, 0) << install.out << install.err;
  EXPECT_NE(install.out.find("installed\tNimbusRoman-Regular\n"), std::string::npos) << install.out;
  ProgramRun scan = tessaro_test::RunProgram(kTessaro, {"--service", full.url(), "scan", kFlyer});
  EXPECT_EQ(scan.exitCode, 0);
  EXPECT_EQ(scan.out, "");
}

// A font that could not be installed is listed with the reason.
TEST_F(TessaroCli, AFailedInstallSaysWhy) {
  TempDir catalog;
  fs::copy(TESSARO_SAMPLE_CATALOG, catalog.path(), fs::copy_options::recursive);
  const std::string zip = tessaro_test::ReadFile(catalog / "fonts/LiberationMono.zip");
  WriteFile(catalog / "fonts/LiberationMono.zip", zip.substr(0, zip.size() / 2));
  ServiceProcess damaged(catalog.path(), log_ / "damaged.log");
  ASSERT_GT(damaged.port(), 0) << damaged.Log();
  // A home of its own, so that the fonts other tests installed are missing here.
  TempDir home;
  WriteFile(home / "fonts.conf", tessaro_test::ReadFile(std::getenv("FONTCONFIG_FILE")));
  const std::string environment = "XDG_DATA_HOME='" + home / "data" + "' XDG_CACHE_HOME='" +
                                  home / "cache" + "' FONTCONFIG_FILE='" + home / "fonts.conf" +
                                  "'";
  ProgramRun install = tessaro_test::RunProgram(
      kTessaro, {"--service", damaged.url(), "install", kFlyer}, environment);
  EXPECT_EQ(install.exitCode, 1) << install.err;
  EXPECT_NE(install.out.find("failed\tLiberationMono\tdamaged archive\n"), std::string::npos)
      << install.out;
  EXPECT_NE(install.out.find("installed\tDejaVuSerif\n"), std::string::npos) << install.out;
  EXPECT_NE(install.err.find("  LiberationMono: damaged archive\n"), std::string::npos)
      << install.err;
}

TEST_F(TessaroCli, UpdateCheck) {
  ProgramRun current = Tessaro({"update", "--check"});
  EXPECT_EQ(current.exitCode, 0);
  EXPECT_EQ(current.out, "");

  TempDir catalog;
  WriteFile(catalog / "catalog.json",
            R"({"fonts": {}, "update": {"version": "1.31", "archive": "TessaroPc-1.31.zip"}})");
  WriteFile(catalog / "TessaroPc-1.31.zip", "not needed for the check");
  ServiceProcess newer(catalog.path(), catalog / "service.log");
  ProgramRun update =
      tessaro_test::RunProgram(kTessaro, {"--service", newer.url(), "update", "--check"});
  EXPECT_EQ(update.exitCode, 0) << update.err;
  EXPECT_EQ(update.out, "TessaroPc-1.31.zip\n");
}

TEST_F(TessaroCli, ErrorsAndExitCodes) {
  std::string unreachable = "http://" + tessaro_test::UnreachableHost();
  // A document with fonts this home never installs, so that the service must be asked.
  const std::string shift = tessaro_test::DataPath("documents/pdf/Shift.pdf");
  const struct {
    std::vector<std::string> args;
    std::string environment;
    int exitCode;
    std::string err;
  } cases[] = {
      {{"--service", unreachable, "scan", shift}, "", 2, "Cannot reach the Tessaro site ("},
      {{"--service", unreachable, "scan", shift}, "LANG=zh_CN.UTF-8", 2, "无法访问 Tessaro网 ("},
      {{"--service", unreachable, "update", "--check"}, "", 2, "Cannot reach"},
      {{"--service", "https://secure.example", "scan", shift}, "", 2, "http://HOST[:PORT]"},
      {{"scan", "--no-service", "/no/such/document.psd"}, "", 2, "cannot read"},
      {{"frobnicate"}, "", 2, "unknown command"},
      {{"scan"}, "", 2, "usage:"},
  };
  for (const auto& c : cases) {
    ProgramRun run = tessaro_test::RunProgram(kTessaro, c.args, c.environment);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << run.err;
    EXPECT_NE(run.err.find(c.err), std::string::npos) << run.err;
  }
}

// Regression: a file that is no document was reported with "No font is missing." and exit 0.
TEST_F(TessaroCli, AFileThatIsNoDocumentIsSaidToBeNone) {
  TempDir files;
  WriteFile(files / "notes.txt", "no fonts in here");
  WriteFile(files / "poster.psd", "renamed, but still a text");
  WriteFile(files / "empty.pdf", "");
  fs::create_directories(files / "folder.ai");
  const std::string notADocument = ": not a Photoshop, Illustrator, PDF or CorelDRAW document";
  const struct {
    std::vector<std::string> args;
    std::string environment;
    std::string err;
  } cases[] = {
      {{"scan", files / "notes.txt"}, "", files / "notes.txt" + notADocument},
      {{"scan", "--no-service", files / "poster.psd"}, "", files / "poster.psd" + notADocument},
      {{"install", files / "poster.psd"}, "", files / "poster.psd" + notADocument},
      {{"scan", files / "notes.txt"},
       "LANG=zh_CN.UTF-8",
       files / "notes.txt" + ": 不支持的文件格式"},
      {{"scan", files / "empty.pdf"},
       "",
       "cannot read " + files / "empty.pdf" + ": the file is empty"},
      {{"scan", files / "folder.ai"},
       "",
       "cannot read " + files / "folder.ai" + ": it is a folder"},
      {{"scan", files / "none.pdf"}, "", "cannot read " + files / "none.pdf" + ": no such file"},
  };
  for (const auto& c : cases) {
    ProgramRun run = Tessaro(c.args, c.environment);
    EXPECT_EQ(run.exitCode, 2) << c.args.back() << run.err;
    EXPECT_EQ(run.out, "") << c.args.back();
    EXPECT_EQ(run.err, "tessaro: " + c.err + "\n") << c.args.back();
  }
  ProgramRun json = Tessaro({"scan", "--json", files / "notes.txt"});
  EXPECT_EQ(json.exitCode, 2);
  EXPECT_EQ(json.out, "{\"error\":\"" + files / "notes.txt" + notADocument + "\",\"file\":\"" +
                          files / "notes.txt" + "\"}\n");
  EXPECT_TRUE(service_.Log().find("PCDownloadFonts") == std::string::npos) << service_.Log();
}

// Regression: the HTTP status was ignored. An error page was printed as the update archive
// (exit 0), and scan and install exited 2 without a word.
TEST_F(TessaroCli, AnErrorPageIsNoAnswer) {
  tessaro_test::TestServer pages([](httplib::Server& s) {
    s.Get(".*", [](const httplib::Request&, httplib::Response& res) {
      res.status = 404;
      res.set_content("<!DOCTYPE HTML>\n<html><body>Not Found</body></html>\n", "text/html");
    });
  });
  const std::string shift = tessaro_test::DataPath("documents/pdf/Shift.pdf");
  const std::vector<std::string> commands[] = {
      {"update", "--check"}, {"scan", shift}, {"install", shift}};
  for (const auto& command : commands) {
    std::vector<std::string> args = {"--service", "http://" + pages.host()};
    args.insert(args.end(), command.begin(), command.end());
    ProgramRun run = tessaro_test::RunProgram(kTessaro, args);
    EXPECT_EQ(run.exitCode, 2) << command[0] << run.out << run.err;
    EXPECT_EQ(run.out.find("DOCTYPE"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("Cannot reach the Tessaro site (" + pages.host() + "): HTTP 404"),
              std::string::npos)
        << command[0] << run.err;
  }
}

// Regression: a service that took the connection and never answered held scan for a minute and
// then said only that it could not be reached.
TEST_F(TessaroCli, ASilentServiceIsGivenUp) {
  std::atomic<bool> released{false};
  tessaro_test::TestServer silent([&](httplib::Server& s) {
    s.Get(".*", [&](const httplib::Request&, httplib::Response& res) {
      while (!released) std::this_thread::sleep_for(std::chrono::milliseconds(10));
      res.set_content("{}", "application/json");
    });
  });
  ProgramRun run =
      tessaro_test::RunProgram(kTessaro, {"--service", "http://" + silent.host(), "scan",
                                          tessaro_test::DataPath("documents/pdf/Shift.pdf")});
  released = true;
  EXPECT_EQ(run.exitCode, 2) << run.err;
  EXPECT_NE(run.err.find("Cannot reach the Tessaro site (" + silent.host() + "): timed out"),
            std::string::npos)
      << run.err;
}

}  // namespace
