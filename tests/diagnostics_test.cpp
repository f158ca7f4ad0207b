#include "client/core/diagnostics.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"
#include "tests/platform/host.h"

namespace tessaro {
namespace {

using tessaro_test::ReadFile;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;
namespace fs = std::filesystem;

class LogTest : public testing::Test {
 protected:
  LogTest() { SetLogFolder(dir_.path()); }
  std::string log() const { return dir_ / "Corvid.log"; }
  TempDir dir_;
};

TEST_F(LogTest, LinesHaveTheStampAndEndWithALineFeed) {
  WriteLog("OnSelectFile Begin : /tmp/a.psd");
  WriteLog(std::string("GetDownloadPath end"));
  WriteLog("");
  std::regex line(R"(< \d\d-\d\d-\d\d \d\d:\d\d:\d\d (.*))");
  std::vector<std::string> lines;
  std::string text = ReadFile(log());
  // The log is a text file: its lines end as the platform's text files do.
  const std::string end = tessaro_test::kTextLineEnd;
  for (std::size_t start = 0, at; (at = text.find(end, start)) != std::string::npos;
       start = at + end.size()) {
    lines.push_back(text.substr(start, at - start));
  }
  ASSERT_EQ(lines.size(), 3u);
  std::smatch m;
  ASSERT_TRUE(std::regex_match(lines[0], m, line)) << lines[0];
  EXPECT_EQ(m[1], "OnSelectFile Begin : /tmp/a.psd");
  ASSERT_TRUE(std::regex_match(lines[1], m, line));
  EXPECT_EQ(m[1], "GetDownloadPath end");
  ASSERT_TRUE(std::regex_match(lines[2], m, line));  // an empty text: the stamp alone
  EXPECT_EQ(m[1], "");
}

TEST_F(LogTest, ALogOverTheLimitIsEmptiedFirst) {
  const std::size_t limit = 5242880;
  WriteFile(log(), std::string(limit, 'x'));
  WriteLog("kept");
  EXPECT_GT(fs::file_size(log()), limit);  // exactly at the limit: appended
  WriteLog("fresh");
  std::string text = ReadFile(log());
  EXPECT_LT(text.size(), 64u);
  EXPECT_NE(text.find("fresh"), std::string::npos);
  EXPECT_EQ(text.find('x'), std::string::npos);
}

TEST_F(LogTest, LinesFromSeveralThreadsStayWhole) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i)
        WriteLog("thread " + std::to_string(t) + " line " + std::to_string(i));
    });
  }
  for (auto& thread : threads) thread.join();
  std::string text = ReadFile(log());
  std::regex whole(R"((< \d\d-\d\d-\d\d \d\d:\d\d:\d\d thread \d line \d+)" +
                   std::string(tessaro_test::kTextLineEnd) + "){800}");
  EXPECT_TRUE(std::regex_match(text, whole));
}

TEST_F(LogTest, AMissingFolderDropsTheLine) {
  SetLogFolder(dir_ / "missing");
  WriteLog("nowhere");
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
}

TEST(WriteCrashDump, NamesCountUpWithoutPadding) {
  TempDir dir;
  platform::FaultRecord fault;
  fault.kind = platform::FaultKind::kBadAccess;
  fault.address = reinterpret_cast<const void*>(0x10);
  EXPECT_EQ(WriteCrashDump(&fault, dir.path().c_str()), 1);
  EXPECT_EQ(WriteCrashDump(nullptr, dir.path().c_str()), 1);
  EXPECT_EQ(WriteCrashDump(nullptr, (dir / "missing").c_str()), 1);  // cannot be created

  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(dir.path()))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    return a.substr(a.rfind('_')) < b.substr(b.rfind('_'));
  });
  ASSERT_EQ(names.size(), 2u);
  std::regex pattern(
      R"(\d{4}-([1-9]|1[0-2])-([1-9]|[12]\d|3[01])_([0-9]|1\d|2[0-3])-([0-9]|[1-5]\d)-([0-9]|[1-5]\d)_(\d+)\.dmp)");
  std::smatch first, second;
  ASSERT_TRUE(std::regex_match(names[0], first, pattern)) << names[0];
  ASSERT_TRUE(std::regex_match(names[1], second, pattern)) << names[1];
  EXPECT_EQ(std::stoi(second[6]), std::stoi(first[6]) + 1);
  // What a dump holds is the platform's (tests/platform/fault_guard_contract.h).
  EXPECT_FALSE(ReadFile(dir / names[0]).empty());
}

}  // namespace
}  // namespace tessaro
