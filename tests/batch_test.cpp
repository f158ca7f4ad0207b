#include "client/workflow/batch.h"

// First: it brings in Winsock's header and <windows.h> in the order they need.
#include "tests/font_install_home.h"

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
        fonts_(dir_.path()),
        session_(view_, server_.host(), dir_ / "work") {
    fs::create_directories(dir_ / "work");
    SetLogFolder(dir_ / "work");
    PutEngine(dir_ / "work");
    session_.engine().LoadEngine(dir_ / "work", [](const std::string&) {});
  }
  std::string Font(const std::string& name) {
    return "http://" + server_.host() + "/fonts/" + name + ".zip";
  }
  std::string UserFonts() const { return fonts_.folder(); }
  bool Clean() const {
    return !fs::exists(dir_ / "work/_downFonts") && !fs::exists(dir_ / "work/_exfonts");
  }

  TempDir dir_;
  TestServer server_;
  tessaro_test::FontInstallHome fonts_;
  RecordingView view_;
  ClientSession session_;
};

TEST_F(BatchTest, AllRowsWithThreeAddresses) {
  session_.m_downloadPaths = {
      {Font("DejaVuSans"), Font("DejaVuSerif")}, {}, {Font("LiberationMono-Regular")}};
  session_.m_queryAnswered = true;
  view_.rows = {{"a"}, {"b"}, {"c"}};
  BatchOutcome outcome = InstallAllThread(session_);
  EXPECT_EQ(outcome.downloads, 3);
  EXPECT_EQ(view_.Lines("step"), Lines{"step 20"});
  EXPECT_EQ(view_.Lines("pos"),
            (Lines{"pos 20", "pos 40", "pos 60", "pos 80", "pos 100", "pos 100", "pos 0"}));
  EXPECT_EQ(view_.Messages(), Lines{"message 下载安装完成"});
  // Without a document to ask, a row whose packages gave fonts counts as installed; the row that
  // offers nothing stays with its entry.
  EXPECT_EQ(session_.m_downloadPaths, Table{{}});
  EXPECT_EQ(view_.rows, (Table{{"b"}}));
  Lines all = view_.Lines();
  EXPECT_EQ(all.front(), "enable 1001 0");
  EXPECT_EQ(all.back(), "delete row 0");
  EXPECT_EQ(fonts_.Installed(),
            (Lines{"DejaVuSans.ttf", "DejaVuSerif.ttf", "LiberationMono-Regular.ttf"}));
  EXPECT_TRUE(Clean());
  std::string log = ReadFile(dir_ / "work/Corvid.log");
  EXPECT_LT(log.find("DownloadAndInstall begin"), log.find("DownloadAndInstall end"));
}

TEST_F(BatchTest, OneRowRemovesItsEntryAndRow) {
  session_.m_downloadPaths = {{"x"}, {"y"}, {Font("DejaVuSans")}, {"z"}, {"w"}};
  session_.m_queryAnswered = true;
  view_.rows = {{"0"}, {"1"}, {"2"}, {"3"}, {"4"}};
  DownloadRow(session_, 2);
  EXPECT_EQ(view_.Lines("step"), Lines{"step 25"});
  EXPECT_EQ(view_.Lines("pos"), (Lines{"pos 25", "pos 50", "pos 75", "pos 100", "pos 0"}));
  EXPECT_EQ(session_.m_downloadPaths, (Table{{"x"}, {"y"}, {"z"}, {"w"}}));
  ASSERT_EQ(view_.rows.size(), 4u);
  EXPECT_EQ(view_.rows[2][0], "3");
  EXPECT_TRUE(fs::exists(tessaro_test::JoinNative(UserFonts(), "DejaVuSans.ttf")));
}

TEST_F(BatchTest, NothingInstalledIsReportedAsAFailure) {
  // Many addresses that give nothing: the step is 0 and the bar waits for the end.
  session_.m_downloadPaths = {std::vector<std::string>(99, Font("NoSuchFont"))};
  session_.m_queryAnswered = true;
  BatchOutcome outcome = DownloadAndInstall(session_, -1);
  EXPECT_TRUE(outcome.installedFiles.empty());
  EXPECT_EQ(view_.Lines("step"), Lines{"step 0"});
  Lines positions = view_.Lines("pos");
  EXPECT_EQ(std::count(positions.begin(), positions.end(), "pos 0"), 102);
  // The reason, once for the row's 99 packages.
  EXPECT_EQ(view_.Messages(), Lines{"message 下载安装失败\n下载失败: HTTP 404"});
  EXPECT_TRUE(Clean());
}

TEST_F(BatchTest, NothingToDownload) {
  session_.m_downloadPaths = {{}, {}};
  session_.m_queryAnswered = true;
  DownloadAndInstall(session_, -1);
  EXPECT_EQ(view_.Messages(), Lines{"message 没有需要下载的字体"});
  // Without an answer of the service nobody knows what it offers.
  session_.m_queryAnswered = false;
  DownloadAndInstall(session_, -1);
  EXPECT_EQ(view_.Messages().back(), "message 无法查询下载地址");
  EXPECT_EQ(session_.m_downloadPaths.size(), 2u);  // unchanged
  EXPECT_NE(ReadFile(dir_ / "work/Corvid.log").find("DownloadAndInstall end: 没有需要下载的字体"),
            std::string::npos);
  EXPECT_TRUE(Clean());
}

// Regression: after "一键安装字体" every row was removed, and after a failed single download its
// row too, although those fonts were still missing. The document is asked again: installed fonts
// leave, the others stay with their state, and the message says why each is still missing.
TEST_F(BatchTest, TheListShowsTheTruthAfterABatch) {
  std::string pdf = "%PDF-1.4\n";
  const Lines names = {"DejaVuSans", "Impostor", "LiberationMono", "NoSuchFont", "Unoffered"};
  for (const std::string& name : names) pdf += "/FontName /ABCDEF+" + name + "\n";
  tessaro_test::WriteFile(dir_ / "doc.pdf", pdf);
  session_.m_filePath = dir_ / "doc.pdf";
  session_.m_fontNames = names;
  session_.m_queryAnswered = true;
  session_.m_downloadPaths = {{Font("DejaVuSans")},
                              {Font("DejaVuSerif")},  // a package of another font
                              {Font("LiberationMono-Regular")},
                              {Font("NoSuchFont")},  // 404
                              {}};
  view_.rows = {{"DejaVuSans", "可以下载", "预览", "下载"},
                {"Impostor", "可以下载", "预览", "下载"},
                {"LiberationMono", "可以下载", "预览", "下载"},
                {"NoSuchFont", "可以下载", "预览", "下载"},
                {"Unoffered", "不可下载", "预览", ""}};

  // One row that fails keeps its row, its state and its addresses.
  DownloadRow(session_, 3);
  EXPECT_EQ(view_.Messages(), Lines{"message 下载安装失败\nNoSuchFont: 下载失败: HTTP 404"});
  EXPECT_EQ(view_.rows[3], (Lines{"NoSuchFont", "安装失败", "预览", "下载"}));
  EXPECT_EQ(session_.m_downloadPaths.size(), 5u);

  BatchOutcome outcome = InstallAllThread(session_);
  EXPECT_EQ(view_.Messages().back(),
            "message 下载安装完成\nImpostor: 字体包中没有这个名字的字体\nNoSuchFont: 下载失败: "
            "HTTP 404");
  EXPECT_EQ(view_.rows, (Table{{"Impostor", "安装失败", "预览", "下载"},
                               {"NoSuchFont", "安装失败", "预览", "下载"},
                               {"Unoffered", "不可下载", "预览", ""}}));
  EXPECT_EQ(session_.m_fontNames, (Lines{"Impostor", "NoSuchFont", "Unoffered"}));
  EXPECT_EQ(session_.m_downloadPaths, (Table{{Font("DejaVuSerif")}, {Font("NoSuchFont")}, {}}));
  ASSERT_EQ(outcome.rows.size(), 5u);
  EXPECT_TRUE(outcome.rows[0].installed);
  EXPECT_EQ(outcome.rows[1].packages.at(0).fonts, 1);
  EXPECT_EQ(outcome.rows[3].problem, "下载失败: HTTP 404");
  EXPECT_FALSE(outcome.rows[4].offered);
  EXPECT_TRUE(Clean());
}

// Each reason a package gives no font, as the message says it.
TEST_F(BatchTest, EveryFailureSaysWhy) {
  TempDir files;
  tessaro_test::WriteFile(files / "notes.txt", "no archive");
  WriteArchive(files / "readme.zip", Format::kZip, {{Member::kFile, "readme.txt", "no fonts"}});
  tessaro_test::WriteFile(files / "empty.rar", "");
  TestServer packages([&](httplib::Server& s) {
    s.Get(R"(/p/(.+))", [&](const httplib::Request& req, httplib::Response& res) {
      const std::string file = files / req.matches[1].str();
      if (std::filesystem::exists(file)) {
        res.set_content(ReadFile(file), "application/octet-stream");
      } else if (req.matches[1] == "encrypted.rar") {
        res.set_content(
            ReadFile(tessaro_test::DataPath("archives/test_read_format_rar4_encrypted.rar")),
            "application/octet-stream");
      } else {
        res.status = 403;
      }
    });
  });
  const struct {
    std::string address;
    std::string problem;
  } cases[] = {
      {packages.Url("/p/secret.zip"), "下载失败: HTTP 403"},
      {"http://" + tessaro_test::UnreachableHost() + "/a.zip", "下载失败: 无法连接"},
      {packages.Url("/p/notes.txt"), "不是压缩包或字体文件"},
      {packages.Url("/p/empty.rar"), "文件是空的"},
      {packages.Url("/p/encrypted.rar"), "压缩包有密码"},
      {packages.Url("/p/readme.zip"), "字体包里没有可安装的字体"},
  };
  for (const auto& c : cases) {
    session_.m_downloadPaths = {{c.address}};
    session_.m_fontNames = {"Font"};
    session_.m_queryAnswered = true;
    BatchOutcome outcome = DownloadAndInstall(session_, 0);
    ASSERT_EQ(outcome.rows.size(), 1u);
    EXPECT_EQ(outcome.rows[0].problem, c.problem) << c.address;
    EXPECT_EQ(view_.Messages().back(), "message 下载安装失败\nFont: " + c.problem) << c.address;
  }
}

TEST_F(BatchTest, StaleFilesOfAnInterruptedBatchAreNotInstalled) {
  tessaro_test::WriteFile(dir_ / "work/_downFonts/old.ttf",
                          ReadFile(SystemFont("DejaVuSansMono.ttf")));
  tessaro_test::WriteFile(dir_ / "work/_exfonts/sub/old2.ttf",
                          ReadFile(SystemFont("DejaVuSerif.ttf")));
  session_.m_downloadPaths = {{Font("DejaVuSans")}};
  DownloadAndInstall(session_, 0);
  EXPECT_EQ(fonts_.Installed(), Lines{"DejaVuSans.ttf"});
  EXPECT_TRUE(Clean());
}

}  // namespace
}  // namespace tessaro
