// The TessaroPc program itself, started as a menu starts it: from a folder that is not its own,
// offscreen, in a home of its own, against a font service on 127.0.0.1.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "child_process.h"
#include "test_server.h"
#include "test_support.h"

namespace {

namespace fs = std::filesystem;
using tessaro_test::ReadFile;
using tessaro_test::ScopedEnv;
using tessaro_test::TempDir;

// Waits (bounded, so that a program that never gets there fails the test) until `path` holds
// `text`.
bool WaitForText(const std::string& path, const std::string& text) {
  for (int round = 0; round < 1200; ++round) {
    if (ReadFile(path).find(text) != std::string::npos) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

// Regression: started from another folder, TessaroPc looked for its engine in the current
// directory, said "Corvid.dll加载失败", and wrote its log and working files there.
TEST(TessaroPc, StartedFromAnotherFolderFindsItsEngineAndKeepsItsFilesInTheStateFolder) {
  TempDir root;
  tessaro_test::TestServer service([](httplib::Server& s) {
    s.Get("/s/api/PCDownloadFonts.ashx", [](const httplib::Request&, httplib::Response& res) {
      res.set_content("", "text/plain");  // the client is current
    });
  });
  fs::create_directories(root / "elsewhere");
  fs::create_directories(root / "runtime");
  fs::permissions(root / "runtime", fs::perms::owner_all);
  ScopedEnv home("HOME", root / "home"), state("XDG_STATE_HOME", root / "state"),
      data("XDG_DATA_HOME", root / "data"), cache("XDG_CACHE_HOME", root / "cache"),
      config("XDG_CONFIG_HOME", root / "config"), runtime("XDG_RUNTIME_DIR", root / "runtime"),
      host("TESSARO_SERVICE_HOST", service.host()), platform("QT_QPA_PLATFORM", "offscreen");
  const fs::path before = fs::current_path();
  fs::current_path(root / "elsewhere");
  tessaro_test::Child program(std::string(TESSARO_BIN_DIR) + "/TessaroPc", {}, root / "stderr");
  fs::current_path(before);
  ASSERT_TRUE(program.started());

  const std::string log = root / "state/tessaro/Corvid.log";
  EXPECT_TRUE(WaitForText(log, "OnInitDialog success")) << ReadFile(root / "stderr");
  EXPECT_EQ(ReadFile(log).find("加载失败"), std::string::npos) << ReadFile(log);
  EXPECT_NE(ReadFile(log).find("OnBnClickedButton3 end nothing update"), std::string::npos);
  EXPECT_TRUE(fs::is_empty(root / "elsewhere"));
  program.Wait(SIGTERM);
}

}  // namespace
