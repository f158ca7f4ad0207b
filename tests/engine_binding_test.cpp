#include "client/core/engine_binding.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "client/core/diagnostics.h"
#include "client_support.h"
#include "platform/dynamic_library.h"
#include "platform/filesystem.h"

namespace tessaro {
namespace {

using tessaro_test::PutEngine;
using tessaro_test::ReadFile;
using tessaro_test::TempDir;
namespace fs = std::filesystem;

std::string FakeEngine(const char* kind) {
  return std::string(FAKE_ENGINES) + "/engine-" + kind + "/" + EngineFileName();
}

// The dumps in `folder`; each must be named "<y>-<m>-<d>_<H>-<M>-<S>_<n>.dmp".
int CountDumps(const std::string& folder) {
  static const std::regex kName(R"(\d{4}(-\d{1,2}){2}_\d{1,2}(-\d{1,2}){2}_\d+\.dmp)");
  int n = 0;
  for (const auto& entry : fs::directory_iterator(folder)) {
    if (entry.path().extension() != ".dmp") continue;
    EXPECT_TRUE(std::regex_match(entry.path().filename().string(), kName)) << entry.path();
    ++n;
  }
  return n;
}

class BindingTest : public testing::Test {
 protected:
  BindingTest() { SetLogFolder(dir_.path()); }
  void Load() {
    engine_.LoadEngine(dir_.path(), [this](const std::string& text) { messages_.push_back(text); });
  }
  std::string Log() const { return tessaro_test::ReadTextFile(dir_ / "Corvid.log"); }
  TempDir dir_;
  EngineBinding engine_;
  std::vector<std::string> messages_;
};

TEST_F(BindingTest, MissingEngineIsReportedAndCallsLeaveOutputsAlone) {
  Load();
  // The message names this platform's engine file (libCorvid.so, Corvid.dll).
  EXPECT_EQ(messages_, std::vector<std::string>{EngineFileName() + "加载失败"});
  EXPECT_EQ(engine_.LoadFailure(), EngineFileName() + "加载失败");
  std::string log = Log();
  // The code the system gives for a missing library (ENOENT on POSIX, 126 on Windows), under
  // the system's name for its codes.
  int missingCode = 0;
  platform::DynamicLibrary().Load(dir_ / "missing", &missingCode);
  EXPECT_NE(log.find(EngineFileName() + "加载失败, " + platform::LoadErrorCodeName() + ": " +
                     std::to_string(missingCode) + " ("),
            std::string::npos)
      << log;
  EXPECT_NE(log.find(" " + platform::JoinPath(dir_.path(), EngineFileName()) + "\n"),
            std::string::npos)
      << log;
  char buffer[8] = "keep";
  int length = 8;
  engine_.CallGetLackFontNames("doc.psd", buffer, &length);
  engine_.CallDownloadFile("http://127.0.0.1:1/x", dir_.path().c_str());
  EXPECT_EQ(length, 8);
  EXPECT_STREQ(buffer, "keep");
  EXPECT_EQ(CountDumps(dir_.path()), 0);
}

TEST_F(BindingTest, EngineLackingExportsKeepsTheOthers) {
  PutEngine(dir_.path(), FakeEngine("partial"));
  Load();
  EXPECT_EQ(messages_, std::vector<std::string>{EngineFileName() + "加载功能失败"});
  EXPECT_NE(
      Log().find(EngineFileName() + "加载功能失败, 缺少: DownloadFile InstallFonts DecodeFiles\n"),
      std::string::npos)
      << Log();
  char buffer[16] = {};
  int length = 16;
  engine_.CallGetLackFontNames("doc.psd", buffer, &length);
  EXPECT_EQ(std::string(buffer, length), "Arial,");
  engine_.CallInstallFonts(dir_.path().c_str());  // missing: skipped
}

TEST_F(BindingTest, FaultsBecomeOneDumpEachAndTheCallReturns) {
  PutEngine(dir_.path(), FakeEngine("faulting"));
  Load();
  EXPECT_TRUE(messages_.empty());
  char buffer[16] = {};
  int length = 16;
  engine_.CallGetLackFontNames("doc.psd", buffer, &length);  // SIGSEGV after writing
  EXPECT_EQ(std::string(buffer, length), "Arial,");
  EXPECT_EQ(CountDumps(dir_.path()), 1);

  engine_.CallDownloadFile("x", "y");  // SIGFPE
  engine_.CallInstallFonts("z");       // SIGILL
  engine_.CallDecodeFiles("a", "b");   // SIGSEGV on a read-only page
  EXPECT_EQ(CountDumps(dir_.path()), 4);

  // On a worker thread as well, and again on the same binding.
  std::thread worker([this] {
    char b[16] = {};
    int l = 16;
    engine_.CallGetLackFontNames("doc.psd", b, &l);
  });
  worker.join();
  EXPECT_EQ(CountDumps(dir_.path()), 5);
}

}  // namespace
}  // namespace tessaro
