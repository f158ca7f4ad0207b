#include "client/workflow/self_update.h"

// First: it brings in Winsock's header, which must come before <windows.h> (archive.h's).
#include "client_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <optional>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "archive_support.h"
#include "client/core/diagnostics.h"
#include "platform/environment.h"
#include "platform/filesystem.h"
#include "update_signing.h"

namespace tessaro {
namespace {

using tessaro_test::Format;
using tessaro_test::Member;
using tessaro_test::PutEngine;
using tessaro_test::ReadFile;
using tessaro_test::RecordingView;
using tessaro_test::TempDir;
using tessaro_test::TestServer;
using tessaro_test::WriteArchive;
using Lines = std::vector<std::string>;
namespace fs = std::filesystem;

// The installer of the offered updates leaves an empty file under the name this variable gives.
constexpr char kInstallerMark[] = "TESSARO_TEST_INSTALLER_MARK";

// The installer's bytes: a shell script on POSIX; where an installer must be a real program
// (Windows, "setup.exe"), this test program, which does the same when it is started under the
// installer's name (main below).
std::string InstallerBytes() {
  if (!InstallerFileName().ends_with(".exe")) {
    return "#!/bin/sh\ntouch \"$" + std::string(kInstallerMark) + "\"\n";
  }
  return ReadFile(platform::ExecutablePath());
}

TEST(UpdateArchiveName, Cases) {
  const struct {
    std::string answer;
    std::string name;
  } cases[] = {
      {"TessaroPc-1.31.zip", "TessaroPc-1.31.zip"},
      {"TessaroPc-1.31.zip\r\n", "TessaroPc-1.31.zip"},
      {" update 1.31.rar \n", "update 1.31.rar"},
      {"  update.rar \nsecond line", ""},
      {"<!DOCTYPE HTML>\n<html><body>Not Found</body></html>", ""},
      {"<!DOCTYPE HTML>", ""},
      {std::string(kMaxUpdateArchiveName - 4, 'a') + ".zip",
       std::string(kMaxUpdateArchiveName - 4, 'a') + ".zip"},
      {std::string(kMaxUpdateArchiveName, 'a') + ".zip", ""},
      {"what?.zip", ""},
      {"", ""},
      {"\r\n", ""},
      {"a/b.zip", ""},
      {"..\\b.zip", ""},
      {"..", ""},
      {"C:evil.zip", ""},
      {"bad\x01name.zip", ""},
      {"<html><body>Error</body></html>", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(UpdateArchiveName(c.answer), c.name) << c.answer;
  }
}

// A service that answers the update check with `answer_` and serves update archives.
class SelfUpdateTest : public testing::Test {
 protected:
  SelfUpdateTest()
      : server_([this](httplib::Server& s) {
          s.Get("/s/api/PCDownloadFonts.ashx",
                [this](const httplib::Request&, httplib::Response& res) {
                  res.set_content(answer_, "text/plain");
                });
          s.Get(R"(/TessaroPc/(.+))", [this](const httplib::Request& req, httplib::Response& res) {
            if (req.matches[1] == archiveName_) {
              res.set_content(archive_, "application/zip");
            } else if (req.matches[1] == archiveName_ + ".sig" && !signature_.empty()) {
              res.set_content(signature_, "application/octet-stream");
            } else {
              res.status = 404;
            }
          });
        }),
        mark_(kInstallerMark, dir_ / "installer-ran"),
        session_(view_, server_.host(), dir_.path()) {
    SetLogFolder(dir_.path());
    PutEngine(dir_.path());
    session_.engine().LoadEngine(dir_.path(), [](const std::string&) {});
  }
  // An update archive whose installer leaves a mark in the test's folder (kInstallerMark).
  void OfferUpdate(const std::string& name, bool withInstaller = true) {
    answer_ = name + "\r\n";
    archiveName_ = name;
    archive_ = UpdateArchive(withInstaller);
    signature_ = tessaro_test::SignWithTestKey(archive_);
  }
  // The archive's bytes, made once per process.
  static std::string UpdateArchive(bool withInstaller) {
    static const std::string archives[2] = {MakeUpdateArchive(false), MakeUpdateArchive(true)};
    return archives[withInstaller ? 1 : 0];
  }
  static std::string MakeUpdateArchive(bool withInstaller) {
    std::vector<Member> members = {{Member::kFile, "readme.txt", "new client"}};
    if (withInstaller) members.push_back({Member::kFile, InstallerFileName(), InstallerBytes()});
    TempDir tmp;
    WriteArchive(tmp / "u.zip", Format::kZip, members);
    return ReadFile(tmp / "u.zip");
  }
  bool WaitForInstaller() {
    for (int i = 0; i < 500 && !fs::exists(dir_ / "installer-ran"); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fs::exists(dir_ / "installer-ran");
  }
  Lines LogTexts() {
    Lines texts;
    std::string log = tessaro_test::ReadTextFile(dir_ / "Corvid.log");
    for (std::size_t start = 0, end; (end = log.find('\n', start)) != std::string::npos;
         start = end + 1) {
      texts.push_back(log.substr(start + 20, end - start - 20));  // after "< YY-MM-DD hh:mm:ss "
    }
    return texts;
  }

  TempDir dir_;
  std::string answer_, archiveName_, archive_, signature_;
  TestServer server_;
  tessaro_test::ScopedEnv mark_;
  RecordingView view_;
  ClientSession session_;
};

TEST_F(SelfUpdateTest, CurrentClient) {
  OnBnClickedButton3(session_, true);
  EXPECT_TRUE(view_.Messages().empty());
  EXPECT_EQ(view_.Lines().back(), "enable 1002 1");
  UpdateCheckThread(session_);
  EXPECT_EQ(view_.Messages(), Lines{"message 当前已经是最新版本"});
  EXPECT_EQ(server_.requests().front(), "/s/api/PCDownloadFonts.ashx?u=1.30");
  EXPECT_EQ(LogTexts(),
            (Lines{"OnBnClickedButton3 begin", "OnBnClickedButton3 end nothing update",
                   "OnBnClickedButton3 begin", "OnBnClickedButton3 end nothing update"}));
}

TEST_F(SelfUpdateTest, StartupAsksAndCancelChangesNothing) {
  OfferUpdate("TessaroPc-1.31.zip");
  view_.answers = {MainView::Answer::kCancel};
  OnBnClickedButton3(session_, true);
  EXPECT_EQ(view_.Messages(), Lines{"message 存在可更新版本，是否更新？"});
  EXPECT_EQ(view_.Lines().back(), "enable 1002 1");
  EXPECT_FALSE(fs::exists(dir_ / "update"));
  EXPECT_TRUE(view_.Lines("close").empty());
}

TEST_F(SelfUpdateTest, ManualUpdateStartsTheInstallerAndCloses) {
  OfferUpdate("TessaroPc-1.31.zip");
  UpdateCheckThread(session_);
  EXPECT_TRUE(view_.Messages().empty());  // no question in manual mode
  EXPECT_TRUE(WaitForInstaller());
  EXPECT_EQ(view_.Lines().back(), "close");
  EXPECT_TRUE(fs::exists(dir_ / "update/TessaroPc-1.31.zip"));
  EXPECT_EQ(LogTexts(), (Lines{"OnBnClickedButton3 begin", "Begin Download...",
                               "OnBnClickedButton3 end", "Update ..."}));
}

TEST_F(SelfUpdateTest, FailedUpdatesKeepTheClientRunning) {
  OfferUpdate("TessaroPc-1.31.zip", /*withInstaller=*/false);
  UpdateCheckThread(session_);
  EXPECT_EQ(view_.Messages(), Lines{"message 更新失败: 无法启动安装程序"});
  EXPECT_TRUE(view_.Lines("close").empty());

  answer_ = "Missing-1.32.zip";  // the archive is not there
  UpdateCheckThread(session_);
  EXPECT_EQ(view_.Messages().back(), "message 更新失败: 无法下载更新");

  answer_ = "../../evil.zip";
  UpdateCheckThread(session_);
  EXPECT_EQ(view_.Messages().back(), "message 更新失败: 服务给出的更新文件名无效");
  EXPECT_TRUE(view_.Lines("close").empty());
}

// An update whose signature is missing, wrong, or made for other bytes is neither unpacked nor
// run, and the client keeps running.
TEST_F(SelfUpdateTest, UpdatesWithoutAValidSignatureAreNotRun) {
  const struct {
    const char* what;
    std::function<void(std::string& archive, std::string& signature)> spoil;
  } cases[] = {
      {"no signature", [](std::string&, std::string& signature) { signature.clear(); }},
      {"a signature of random bytes",
       [](std::string&, std::string& signature) { signature.assign(64, '\x5a'); }},
      {"a signature cut short", [](std::string&, std::string& signature) { signature.resize(63); }},
      {"the archive replaced after signing",
       [](std::string& archive, std::string&) { archive.replace(archive.size() - 30, 1, "!"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    OfferUpdate("TessaroPc-1.31.zip");
    c.spoil(archive_, signature_);
    UpdateCheckThread(session_);
    EXPECT_EQ(view_.Messages().back(), "message 更新失败: 更新文件签名无效");
    EXPECT_TRUE(view_.Lines("close").empty());
    EXPECT_FALSE(fs::exists(dir_ / ("update/" + InstallerFileName())));
    EXPECT_FALSE(fs::exists(dir_ / "update/TessaroPc-1.31.zip"));
    EXPECT_FALSE(fs::exists(dir_ / "update/readme.txt"));
    EXPECT_FALSE(fs::exists(dir_ / "installer-ran"));
  }
}

// Regression: an error page was taken for the name of an update archive.
TEST_F(SelfUpdateTest, AnErrorPageIsNoUpdate) {
  const struct {
    int status;
    std::string body;
    std::string message;  // after "无法访问 Tessaro网 (<host>)", or the whole message
  } cases[] = {
      {404, "<!DOCTYPE HTML>\n<html>Not Found</html>", ": HTTP 404"},
      {200, "<!DOCTYPE HTML>\n<html>Maintenance</html>", "更新失败: 服务给出的更新文件名无效"},
  };
  for (const auto& c : cases) {
    TestServer server([&](httplib::Server& s) {
      s.Get("/s/api/PCDownloadFonts.ashx", [&](const httplib::Request&, httplib::Response& res) {
        res.status = c.status;
        res.set_content(c.body, "text/html");
      });
    });
    RecordingView view;
    ClientSession session(view, server.host(), dir_.path());
    session.engine().LoadEngine(dir_.path(), [](const std::string&) {});
    UpdateCheckThread(session);
    const std::string unreachable = "无法访问 Tessaro网 (" + server.host() + ")";
    EXPECT_EQ(view.Messages(),
              Lines{"message " + (c.status == 200 ? c.message : unreachable + c.message)});
    EXPECT_FALSE(fs::exists(dir_ / "update"));
    EXPECT_EQ(server.requests().size(), 1u);  // nothing downloaded
    EXPECT_TRUE(view.Lines("close").empty());
  }
}

TEST(SelfUpdate, UnreachableServiceUnlocksBeforeTheMessage) {
  TempDir dir;
  SetLogFolder(dir.path());
  RecordingView view;
  ClientSession session(view, tessaro_test::UnreachableHost(), dir.path());
  OnBnClickedButton3(session, true);
  Lines all = view.Lines();
  ASSERT_GE(all.size(), 2u);
  EXPECT_EQ(all[all.size() - 2], "enable 1002 1");
  EXPECT_EQ(all.back(), "message 无法访问 Tessaro网 (" + session.serviceHost() + ")");
}

}  // namespace
}  // namespace tessaro

// The test program, or (started under the installer's name from an update folder) the installer
// of the offered updates.
int main(int argc, char** argv) {
  const std::string self = std::filesystem::path(platform::ExecutablePath()).filename().string();
  if (self == tessaro::InstallerFileName()) {
    if (std::optional<std::string> mark = platform::GetEnvironmentValue(tessaro::kInstallerMark)) {
      tessaro_test::WriteFile(*mark, "");
    }
    return 0;
  }
  testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
