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
    setenv("XDG_STATE_HOME", (*root_ / "state").c_str(), 1);
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
  EXPECT_EQ(after.exitCode, 1);  // a font is still missing
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
      {{"install", files / "folder.ai"},
       "",
       "cannot read " + files / "folder.ai" + ": it is a folder"},
      {{"scan", files / "folder.ai"},
       "",
       files / "folder.ai" +
           ": no Photoshop, Illustrator, PDF or CorelDRAW document in this folder"},
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

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(TessaroCli, HelpVersionAndUsage) {
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string out, err;  // parts of each; the usage of other commands must not be in them
    std::string notThere;
  } cases[] = {
      {{"--version"}, 0, "tessaro 1.30\n", "", "usage"},
      {{"help"}, 0, "usage: tessaro [--service URL] update --check", "", "unknown"},
      {{"--help"}, 0, "usage: tessaro [--service URL] scan", "", "unknown"},
      {{"scan", "--help"}, 0, "usage: tessaro [--service URL] scan", "", "] install"},
      {{"install", "-h"}, 0, "usage: tessaro [--service URL] install", "", "] scan"},
      {{"help", "update"}, 0, "usage: tessaro [--service URL] update", "", "] scan"},
      {{"scan", "--frob", "x.pdf"},
       2,
       "",
       "tessaro: unknown option '--frob'\nusage: tessaro "
       "[--service URL] scan",
       "] install"},
      {{"install"},
       2,
       "",
       "tessaro: no document or package given\nusage: tessaro [--service "
       "URL] install",
       "] scan"},
      {{"update"},
       2,
       "",
       "tessaro: update needs --check\nusage: tessaro [--service URL] update",
       "] scan"},
      {{"install", "--no-service", "x.pdf"},
       2,
       "",
       "the option --no-service is only for scan",
       "] scan"},
      {{"frobnicate"}, 2, "", "tessaro: unknown command 'frobnicate'", "unknown option"},
  };
  for (const auto& c : cases) {
    ProgramRun run = tessaro_test::RunProgram(kTessaro, c.args);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args.front() << run.err;
    EXPECT_TRUE(Has(run.out, c.out)) << c.args.front() << run.out;
    EXPECT_TRUE(Has(run.err, c.err)) << c.args.front() << run.err;
    EXPECT_FALSE(Has(run.out + run.err, c.notThere)) << c.args.front() << run.out << run.err;
  }
  // "--" ends the options: what follows is a document even when it begins with "-".
  TempDir files;
  fs::copy_file(tessaro_test::DataPath("documents/pdf/Shift.pdf"), files / "-odd.pdf");
  ProgramRun odd = tessaro_test::RunProgram(kTessaro, {"scan", "--no-service", "--", "-odd.pdf"},
                                            "", files.path());
  EXPECT_EQ(odd.exitCode, 1) << odd.err;
  EXPECT_EQ(odd.out, "Courier\nTimes-Bold\nTimes-Italic\nTimes-Roman\n");
}

// With --json every outcome is JSON on stdout, errors included.
TEST_F(TessaroCli, JsonAlwaysGivesJson) {
  TempDir catalog;
  WriteFile(catalog / "catalog.json",
            R"({"fonts": {}, "update": {"version": "1.31", "archive": "TessaroPc-1.31.zip"}})");
  WriteFile(catalog / "TessaroPc-1.31.zip", "not needed for the check");
  ServiceProcess newer(catalog.path(), catalog / "service.log");
  const std::string unreachable = tessaro_test::UnreachableHost();
  const struct {
    std::vector<std::string> args;
    int exitCode;
    std::string out;
  } cases[] = {
      {{"--service", service_.url(), "update", "--check", "--json"}, 0, "{\"update\":null}\n"},
      {{"--service", newer.url(), "update", "--check", "--json"},
       0,
       "{\"update\":\"TessaroPc-1.31.zip\"}\n"},
      {{"--service", "http://" + unreachable, "update", "--check", "--json"},
       2,
       "{\"error\":\"Cannot reach the Tessaro site (" + unreachable + ")\"}\n"},
      {{"scan", "--json"}, 2, "{\"error\":\"no document given\"}\n"},
      {{"--service", "https://secure.example", "scan", "--json", kFlyer},
       2,
       "{\"error\":\"the service must be an address http://HOST[:PORT], not "
       "'https://secure.example'\"}\n"},
      {{"--service", "http://" + unreachable, "scan", "--json", kFlyer},
       2,
       "{\"error\":\"Cannot reach the Tessaro site (" + unreachable + ")\",\"file\":\"" + kFlyer +
           "\",\"missing\":[\"DejaVuSans\",\"DejaVuSans-Bold\",\"DejaVuSerif\","
           "\"LiberationMono\",\"LiberationSans\",\"NimbusRoman-Regular\"],\"offered\":{}}\n"},
  };
  for (const auto& c : cases) {
    // A home of its own, where none of the flyer's fonts is installed.
    ProgramRun run = tessaro_test::RunProgram(kTessaro, c.args, "XDG_DATA_HOME=/nonexistent");
    EXPECT_EQ(run.exitCode, c.exitCode) << c.args.back() << run.err;
    EXPECT_EQ(run.out, c.out) << c.args.back();
  }
}

TEST_F(TessaroCli, ScanAFolderReadsTheDocumentsInIt) {
  TempDir folder;
  fs::create_directories(folder / "sub");
  fs::copy_file(tessaro_test::DataPath("documents/pdf/Shift.pdf"), folder / "b.pdf");
  fs::copy_file(tessaro_test::DataPath("documents/illustrator/classic-cc2017.ai"),
                folder / "sub/a.ai");
  WriteFile(folder / "notes.txt", "no document");
  WriteFile(folder / "sub/renamed.bin",
            tessaro_test::ReadFile(tessaro_test::DataPath("documents/photoshop/pen-text.psd")));
  ProgramRun run = Tessaro({"scan", "--no-service", folder.path()});
  EXPECT_EQ(run.exitCode, 1) << run.err;
  EXPECT_EQ(run.out, folder / "b.pdf" + ":\nCourier\nTimes-Bold\nTimes-Italic\nTimes-Roman\n" +
                         folder / "sub/a.ai" + ":\nArial-BoldMT\n" + folder / "sub/renamed.bin" +
                         ":\nCourier\nTimesNewRomanPSMT\n");
}

// Regression: several documents given to install were taken for font packages ("no fonts
// found").
TEST_F(TessaroCli, InstallTakesSeveralDocuments) {
  TempDir home;
  WriteFile(home / "fonts.conf", tessaro_test::ReadFile(std::getenv("FONTCONFIG_FILE")));
  WriteFile(home / "second.pdf", "%PDF-1.4\n/FontName /ABCDEF+LiberationSans\n");
  const std::string environment = "XDG_DATA_HOME='" + home / "data" + "' XDG_CACHE_HOME='" +
                                  home / "cache" + "' FONTCONFIG_FILE='" + home / "fonts.conf" +
                                  "'";
  ProgramRun run = tessaro_test::RunProgram(
      kTessaro, {"--service", service_.url(), "install", home / "second.pdf", kFlyer}, environment);
  EXPECT_EQ(run.exitCode, 1) << run.err;  // NimbusRoman-Regular is not offered
  EXPECT_EQ(run.out, home / "second.pdf" + ":\ninstalled\tLiberationSans\n" + kFlyer +
                         ":\ninstalled\tDejaVuSans\ninstalled\tDejaVuSans-Bold\n"
                         "installed\tDejaVuSerif\ninstalled\tLiberationMono\n"
                         "not offered\tNimbusRoman-Regular\n");
  EXPECT_FALSE(Has(run.out, "no fonts found"));
}

TEST_F(TessaroCli, VerboseLogAndTheLogOfAFailedRun) {
  ProgramRun verbose = Tessaro({"--verbose", "scan", kFlyer});
  EXPECT_TRUE(Has(verbose.err, "OnSelectFile Begin : " + kFlyer + "\n")) << verbose.err;
  EXPECT_TRUE(Has(verbose.err, "GetDownloadPath end\n")) << verbose.err;

  const std::string unreachable = tessaro_test::UnreachableHost();
  ProgramRun failed =
      tessaro_test::RunProgram(kTessaro, {"--service", "http://" + unreachable, "scan", kFlyer},
                               "XDG_DATA_HOME=/nonexistent");
  EXPECT_EQ(failed.exitCode, 2);
  const std::string log = std::string(std::getenv("XDG_STATE_HOME")) + "/tessaro/Corvid.log";
  EXPECT_TRUE(Has(failed.err, "tessaro: the log is in " + log + "\n")) << failed.err;
  EXPECT_TRUE(Has(tessaro_test::ReadFile(log), "访问链接失败 : http://" + unreachable));
}

// Under a Chinese locale every text is Chinese, written in the locale's code set.
TEST_F(TessaroCli, ChineseInTheTerminalsCodeSet) {
  TempDir files;
  WriteFile(files / "notes.txt", "no document");
  ProgramRun usage = Tessaro({"scan", "--frob"}, "LANG=zh_CN.UTF-8");
  EXPECT_TRUE(Has(usage.err, "tessaro: 未知选项 '--frob'\n用法: tessaro")) << usage.err;
  EXPECT_TRUE(Has(usage.err, "退出码：0 成功")) << usage.err;
  ProgramRun install =
      Tessaro({"install", kFlyer}, "LANG=zh_CN.UTF-8 XDG_DATA_HOME='" + files / "data" + "'");
  EXPECT_TRUE(Has(install.err, "% 下载 DejaVuSans.zip 1/5\n")) << install.err;
  EXPECT_TRUE(Has(install.err, "tessaro: 下载安装完成\n")) << install.err;
  EXPECT_TRUE(Has(install.out, "已安装\tDejaVuSans\n")) << install.out;
  EXPECT_TRUE(Has(install.out, "不可下载\tNimbusRoman-Regular\n")) << install.out;

  // GBK under zh_CN.GBK: the locale is made for the test, where the system can make it.
  if (std::system(
          ("localedef -i zh_CN -f GBK '" + files / "zh_CN.GBK" + "' 2>/dev/null").c_str()) != 0) {
    GTEST_SKIP() << "no zh_CN.GBK locale can be made here";
  }
  ProgramRun gbk = Tessaro({"scan", files / "notes.txt"},
                           "LOCPATH='" + files.path() + "' LANG=zh_CN.GBK LC_ALL=");
  EXPECT_EQ(gbk.err, "tessaro: " + files / "notes.txt" +
                         ": \xB2\xBB\xD6\xA7\xB3\xD6\xB5\xC4\xCE\xC4\xBC\xFE\xB8\xF1\xCA\xBD\n");
}

TEST_F(TessaroCli, ProgressSaysWhatItDoes) {
  TempDir files;
  const std::string environment = "XDG_DATA_HOME='" + files / "data" + "'";
  // Not a terminal: one line per step.
  ProgramRun lines = Tessaro({"install", kFlyer}, environment);
  EXPECT_TRUE(Has(lines.err, "] 25% analysing the document\n")) << lines.err;
  EXPECT_TRUE(Has(lines.err, "] 75% asking the font service\n")) << lines.err;
  EXPECT_TRUE(Has(lines.err, "% downloading DejaVuSerif.zip 3/5\n")) << lines.err;
  EXPECT_TRUE(Has(lines.err, "% installing fonts\n")) << lines.err;
  EXPECT_FALSE(Has(lines.err, "\r"));
  // A terminal (script(1) gives the program one): one line redrawn in place.
  if (std::system("command -v script >/dev/null") != 0) GTEST_SKIP() << "no script(1) here";
  fs::remove_all(files / "data");
  ProgramRun terminal =
      tessaro_test::RunProgram("/bin/sh",
                               {"-c", "script -qec \"'" + kTessaro + "' --service " +
                                          service_.url() + " install '" + kFlyer + "'\" /dev/null"},
                               environment);
  EXPECT_TRUE(Has(terminal.out, "\r[###")) << terminal.out;
  EXPECT_TRUE(Has(terminal.out, "downloading LiberationMono.zip 4/5")) << terminal.out;
}

}  // namespace
