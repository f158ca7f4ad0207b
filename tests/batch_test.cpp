#include "client/workflow/batch.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "archive_support.h"
#include "client/core/diagnostics.h"
#include "client_support.h"

namespace tessaro {
namespace {

using tessaro_test::Format;
using tessaro_test::Member;
using tessaro_test::PutEngine;
using tessaro_test::ReadFile;
using tessaro_test::RecordingView;
using tessaro_test::ScopedEnv;
using tessaro_test::SystemFont;
using tessaro_test::TempDir;
using tessaro_test::TestServer;
using tessaro_test::WriteArchive;
using Lines = std::vector<std::string>;
using Table = std::vector<std::vector<std::string>>;
namespace fs = std::filesystem;

// Font packages as a service serves them: /fonts/<name>.zip holds <name>.ttf in a folder.
void ServeFonts(httplib::Server& s) {
  s.Get(R"(/fonts/(.+)\.zip)", [](const httplib::Request& req, httplib::Response& res) {
    std::string font = SystemFont(req.matches[1].str() + ".ttf");
    if (font.empty()) {
      res.status = 404;
      return;
    }
    TempDir dir;
    WriteArchive(dir / "p.zip", Format::kZip,
                 {{Member::kFile, "Fonts/" + req.matches[1].str() + ".ttf", ReadFile(font)},
                  {Member::kFile, "readme.htm", "<html>vendor</html>"}});
    res.set_content(ReadFile(dir / "p.zip"), "application/zip");
  });
}

class BatchTest : public testing::Test {
 protected:
  BatchTest()
      : server_(ServeFonts),
        home_("HOME", dir_ / "home"),
        data_("XDG_DATA_HOME", dir_ / "data"),
        cache_("XDG_CACHE_HOME", dir_ / "cache"),
        session_(view_, server_.host(), dir_ / "work") {
    fs::create_directories(dir_ / "work");
    SetLogFolder(dir_ / "work");
    PutEngine(dir_ / "work");
    session_.engine().LoadEngine(dir_ / "work", [](const std::string&) {});
  }
  std::string Font(const std::string& name) { return "http://" + server_.host() + "/fonts/" + name + ".zip"; }
  std::string UserFonts() const { return dir_ / "data/fonts"; }
  bool Clean() const {
    return !fs::exists(dir_ / "work/_downFonts") && !fs::exists(dir_ / "work/_exfonts");
  }

  TempDir dir_;
  TestServer server_;
  ScopedEnv home_, data_, cache_;
  RecordingView view_;
  ClientSession session_;
};

TEST_F(BatchTest, AllRowsWithThreeAddresses) {
  session_.m_downloadPaths = {{Font("DejaVuSans"), Font("DejaVuSerif")}, {}, {Font("LiberationMono-Regular")}};
  view_.rows = {{"a"}, {"b"}, {"c"}};
  BatchOutcome outcome = InstallAllThread(session_);
  EXPECT_EQ(outcome.downloads, 3);
  EXPECT_EQ(view_.Lines("step"), Lines{"step 20"});
  EXPECT_EQ(view_.Lines("pos"), (Lines{"pos 20", "pos 40", "pos 60", "pos 80", "pos 100", "pos 100", "pos 0"}));
  EXPECT_EQ(view_.Messages(), Lines{"message 下载安装完成"});
  EXPECT_TRUE(session_.m_downloadPaths.empty());
  EXPECT_TRUE(view_.rows.empty());
  Lines all = view_.Lines();
  EXPECT_EQ(all.front(), "enable 1001 0");
  EXPECT_EQ(all.back(), "delete all rows");
  EXPECT_EQ(tessaro_test::ListTree(UserFonts()),
            (Lines{"DejaVuSans.ttf", "DejaVuSerif.ttf", "LiberationMono-Regular.ttf"}));
  EXPECT_TRUE(Clean());
  std::string log = ReadFile(dir_ / "work/Corvid.log");
  EXPECT_LT(log.find("DownloadAndInstall begin"), log.find("DownloadAndInstall end"));
}

TEST_F(BatchTest, OneRowRemovesItsEntryAndRow) {
  session_.m_downloadPaths = {{"x"}, {"y"}, {Font("DejaVuSans")}, {"z"}, {"w"}};
  view_.rows = {{"0"}, {"1"}, {"2"}, {"3"}, {"4"}};
  DownloadRow(session_, 2);
  EXPECT_EQ(view_.Lines("step"), Lines{"step 25"});
  EXPECT_EQ(view_.Lines("pos"), (Lines{"pos 25", "pos 50", "pos 75", "pos 100", "pos 0"}));
  EXPECT_EQ(session_.m_downloadPaths, (Table{{"x"}, {"y"}, {"z"}, {"w"}}));
  ASSERT_EQ(view_.rows.size(), 4u);
  EXPECT_EQ(view_.rows[2][0], "3");
  EXPECT_TRUE(fs::exists(UserFonts() + "/DejaVuSans.ttf"));
}

TEST_F(BatchTest, NothingInstalledIsReportedAsAFailure) {
  // Many addresses that give nothing: the step is 0 and the bar waits for the end.
  session_.m_downloadPaths = {std::vector<std::string>(99, Font("NoSuchFont"))};
  BatchOutcome outcome = DownloadAndInstall(session_, -1);
  EXPECT_TRUE(outcome.installedFiles.empty());
  EXPECT_EQ(view_.Lines("step"), Lines{"step 0"});
  Lines positions = view_.Lines("pos");
  EXPECT_EQ(std::count(positions.begin(), positions.end(), "pos 0"), 102);
  EXPECT_EQ(view_.Messages(), Lines{"message 下载安装失败"});
  EXPECT_TRUE(Clean());
}

TEST_F(BatchTest, NothingToDownload) {
  session_.m_downloadPaths = {{}, {}};
  DownloadAndInstall(session_, -1);
  EXPECT_EQ(view_.Messages(), Lines{"message 没有需要下载的字体"});
  EXPECT_EQ(session_.m_downloadPaths.size(), 2u);  // unchanged
  EXPECT_NE(ReadFile(dir_ / "work/Corvid.log").find("DownloadAndInstall end: 没有需要下载的字体"),
            std::string::npos);
  EXPECT_TRUE(Clean());
}

TEST_F(BatchTest, StaleFilesOfAnInterruptedBatchAreNotInstalled) {
  tessaro_test::WriteFile(dir_ / "work/_downFonts/old.ttf", ReadFile(SystemFont("DejaVuSansMono.ttf")));
  tessaro_test::WriteFile(dir_ / "work/_exfonts/sub/old2.ttf", ReadFile(SystemFont("DejaVuSerif.ttf")));
  session_.m_downloadPaths = {{Font("DejaVuSans")}};
  DownloadAndInstall(session_, 0);
  EXPECT_EQ(tessaro_test::ListTree(UserFonts()), Lines{"DejaVuSans.ttf"});
  EXPECT_TRUE(Clean());
}

}  // namespace
}  // namespace tessaro
