#include "client/workflow/analysis.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "client/core/diagnostics.h"
#include "client_support.h"

namespace tessaro {
namespace {

using namespace std::string_literals;
using tessaro_test::PutEngine;
using tessaro_test::ReadFile;
using tessaro_test::RecordingView;
using tessaro_test::TempDir;
using tessaro_test::TestServer;
using tessaro_test::WriteFile;
using Lines = std::vector<std::string>;

TEST(SplitNames, Cases) {
  const struct {
    std::string buffer;
    int length;
    Lines names;
  } cases[] = {
      {"Arial,SimSun,", 13, {"Arial", "SimSun"}},
      {"A,,B,", 5, {"A", "", "B"}},
      {",A,", 3, {"", "A"}},
      {"A,B", 3, {"A", "B"}},
      {"Arial,SimSun,", 0, {}},
      {"Ar\0al,B,"s, 8, {"Ar", "B"}},
      {std::string(2038, '\0'), 2038, {""}},  // an engine that never answered
      {std::string(300, 'N') + ",", 301, {std::string(259, 'N')}},
  };
  for (const auto& c : cases) {
    Lines names = {"stale"};
    SplitNames(names, c.buffer.data(), c.length);
    EXPECT_EQ(names, c.names) << c.buffer.substr(0, 20);
  }
}

class AnalysisTest : public testing::Test {
 protected:
  AnalysisTest()
      : server_([this](httplib::Server& s) {
          s.Get("/s/api/PCDownloadFonts.ashx",
                [this](const httplib::Request&, httplib::Response& res) {
                  res.set_content(answer_, "application/json");
                });
        }),
        session_(view_, server_.host(), dir_.path()) {
    SetLogFolder(dir_.path());
    PutEngine(dir_.path());
    session_.engine().LoadEngine(dir_.path(), [](const std::string&) {});
  }
  std::string Document(const std::vector<std::string>& fonts) {
    std::string doc = "%PDF-1.4\n";
    for (const std::string& font : fonts) doc += "/FontName /ABCDEF+" + font + "\n";
    std::string path = dir_ / "doc.pdf";
    WriteFile(path, doc);
    return path;
  }

  TempDir dir_;
  TestServer server_;
  RecordingView view_;
  ClientSession session_;
  std::string answer_;
};

TEST_F(AnalysisTest, FillsOneRowPerMissingFont) {
  session_.m_filePath = Document({"Arial", "SimSun"});
  answer_ = R"({"0":{"dl":["fonts/Arial.zip","fonts/Arial-2.zip"]},"1":{"dl":[]}})";
  EXPECT_EQ(OnSelectFile(session_).names, (Lines{"Arial", "SimSun"}));

  EXPECT_EQ(view_.rows, (std::vector<Lines>{{"Arial", "可以下载", "预览", "下载"},
                                            {"SimSun", "不可下载", "预览", ""}}));
  EXPECT_EQ(view_.Lines("pos"), (Lines{"pos 25", "pos 50", "pos 75", "pos 100", "pos 0"}));
  EXPECT_EQ(view_.Lines("step"), Lines{"step 25"});
  EXPECT_EQ(
      view_.Lines("enable"),
      (Lines{"enable 1001 0", "enable 1003 0", "enable 1004 0", "enable 1005 0", "enable 1002 0",
             "enable 1001 1", "enable 1003 1", "enable 1004 1", "enable 1005 1", "enable 1002 1"}));
  EXPECT_EQ(view_.Lines("edit"), Lines{"edit " + session_.m_filePath});
  EXPECT_TRUE(view_.Messages().empty());
  EXPECT_EQ(server_.requests(), Lines{"/s/api/PCDownloadFonts.ashx?q=Arial,SimSun,"});
  std::string log = tessaro_test::ReadTextFile(dir_ / "Corvid.log");
  EXPECT_NE(log.find("OnSelectFile Begin : " + session_.m_filePath + "\n"), std::string::npos);
  EXPECT_LT(log.find("OnSelectFile Begin"), log.find("OnSelectFile End"));
}

TEST_F(AnalysisTest, NothingMissingStillAsksAndSaysSo) {
  session_.m_filePath = Document({});
  answer_ = "{}";
  EXPECT_TRUE(OnSelectFile(session_).names.empty());
  EXPECT_TRUE(view_.rows.empty());
  EXPECT_EQ(view_.Messages(), Lines{"message 没有缺失字体"});
  EXPECT_EQ(server_.requests(), Lines{"/s/api/PCDownloadFonts.ashx?q="});
  EXPECT_EQ(view_.Lines("pos"), (Lines{"pos 25", "pos 50", "pos 75", "pos 100", "pos 0"}));
  // The message comes before the controls are unlocked.
  Lines all = view_.Lines();
  auto message = std::find(all.begin(), all.end(), "message 没有缺失字体");
  EXPECT_EQ(*(message + 1), "enable 1001 1");
}

// Regression: a file that is no document (a text, a picture, a renamed or cut-off file) was
// reported as one in which no font is missing.
TEST_F(AnalysisTest, AFileThatIsNoDocumentIsRefused) {
  const std::string psd = ReadFile(tessaro_test::DataPath("documents/photoshop/text.psd"));
  WriteFile(dir_ / "notes.txt", "no fonts in here");
  WriteFile(dir_ / "picture.png", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR"s);
  WriteFile(dir_ / "notes.psd", "renamed, but still a text");
  WriteFile(dir_ / "cut.psd", psd.substr(0, 26));  // the file header only
  WriteFile(dir_ / "empty.pdf", "");
  std::filesystem::create_directories(dir_ / "folder.pdf");
  const struct {
    std::string file;
    DocumentProblem problem;
    std::string message;
  } cases[] = {
      {"notes.txt", DocumentProblem::kNotADocument, "不支持的文件格式"},
      {"picture.png", DocumentProblem::kNotADocument, "不支持的文件格式"},
      {"notes.psd", DocumentProblem::kNotADocument, "不支持的文件格式"},
      {"cut.psd", DocumentProblem::kNotADocument, "不支持的文件格式"},
      {"empty.pdf", DocumentProblem::kEmpty, "无法读取文件: 文件是空的"},
      {"folder.pdf", DocumentProblem::kFolder, "无法读取文件: 是一个文件夹"},
      {"missing.pdf", DocumentProblem::kMissing, "无法读取文件: 文件不存在"},
  };
  for (const auto& c : cases) {
    RecordingView view;
    ClientSession session(view, server_.host(), dir_.path());
    session.engine().LoadEngine(dir_.path(), [](const std::string&) {});
    session.m_downloadPaths = {{"stale"}};
    session.m_filePath = dir_ / c.file;
    AnalysisResult result = OnSelectFile(session);
    EXPECT_EQ(result.problem, c.problem) << c.file;
    EXPECT_TRUE(result.names.empty()) << c.file;
    EXPECT_EQ(view.Messages(), Lines{"message " + c.message}) << c.file;
    EXPECT_EQ(view.Lines("delete all rows").size(), 1u) << c.file;
    EXPECT_TRUE(session.m_downloadPaths.empty()) << c.file;
    EXPECT_EQ(view.Lines().back(), "enable 1002 1") << c.file;
  }
  EXPECT_TRUE(server_.requests().empty());  // the service was never asked
}

TEST(CheckDocument, RecognisesTheFourKindsByTheirBytes) {
  const struct {
    const char* path;
    DocumentKind kind;
  } cases[] = {
      {"documents/photoshop/text.psd", DocumentKind::Photoshop},
      // A PDF-compatible Illustrator file is read as the PDF it is.
      {"documents/illustrator/classic-cc2017.ai", DocumentKind::Pdf},
      {"documents/pdf/Shift.pdf", DocumentKind::Pdf},
      {"documents/coreldraw/TextHintTest-x4.cdr", DocumentKind::CorelDraw},
  };
  for (const auto& c : cases) {
    DocumentCheck check = CheckDocument(tessaro_test::DataPath(c.path));
    EXPECT_EQ(check.problem, DocumentProblem::kNone) << c.path;
    EXPECT_EQ(check.kind, c.kind) << c.path;
  }
  // A file that may not be read (only where permissions hold: not for root).
  TempDir dir;
  WriteFile(dir / "secret.pdf", "%PDF-1.4\n");
  std::filesystem::permissions(dir / "secret.pdf", std::filesystem::perms::none);
  if (CheckDocument(dir / "secret.pdf").problem != DocumentProblem::kNone) {
    EXPECT_EQ(CheckDocument(dir / "secret.pdf").problem, DocumentProblem::kNoPermission);
  }
}

// Regression: without an answer of the service (or with one for other fonts) the list stayed
// empty, and the names the engine had found were lost.
TEST_F(AnalysisTest, WithoutAFittingAnswerTheNamesAreListedAsUnknown) {
  const std::string unreachable = tessaro_test::UnreachableHost();
  const struct {
    std::string host;
    std::string answer;
    std::string message;
  } cases[] = {
      {server_.host(), R"({"0":{"dl":["a.zip"]},"1":{"dl":[]}})",
       "无法访问 Tessaro网 (" + server_.host() + "): 回答与查询不符"},
      {unreachable, "", "无法访问 Tessaro网 (" + unreachable + ")"},
  };
  for (const auto& c : cases) {
    RecordingView view;
    ClientSession session(view, c.host, dir_.path());
    session.engine().LoadEngine(dir_.path(), [](const std::string&) {});
    session.m_filePath = Document({"A1", "B2", "C3"});
    answer_ = c.answer;
    AnalysisResult result = OnSelectFile(session);
    EXPECT_FALSE(result.answered) << c.host;
    EXPECT_EQ(result.names, (Lines{"A1", "B2", "C3"}));
    EXPECT_EQ(view.rows, (std::vector<Lines>{{"A1", "无法查询", "预览", ""},
                                             {"B2", "无法查询", "预览", ""},
                                             {"C3", "无法查询", "预览", ""}}))
        << c.host;
    EXPECT_EQ(view.Messages(), Lines{"message " + c.message});
    // Row i and entry i stay the same font; none can be downloaded.
    EXPECT_EQ(session.m_downloadPaths, (std::vector<Lines>(3)));
    EXPECT_EQ(session.m_fontNames, (Lines{"A1", "B2", "C3"}));
    EXPECT_FALSE(session.m_queryAnswered);
  }
}

}  // namespace
}  // namespace tessaro

namespace tessaro {
namespace {

TEST_F(AnalysisTest, AFaultInsideTheEngineLeavesADumpAndTheAnalysisGoesOn) {
  std::filesystem::remove(dir_ / tessaro_test::EngineFile());
  PutEngine(dir_.path(),
            std::string(FAKE_ENGINES) + "/engine-faulting/" + tessaro_test::EngineFile());
  session_.engine().LoadEngine(dir_.path(), [](const std::string&) {});
  session_.m_filePath = Document({"Courier"});
  answer_ = R"({"0":{"dl":[]}})";
  EXPECT_EQ(OnSelectFile(session_).names,
            (Lines{"Arial"}));  // what the engine wrote before it faulted
  EXPECT_EQ(view_.rows.size(), 1u);
  int dumps = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    dumps += entry.path().extension() == ".dmp";
  }
  EXPECT_EQ(dumps, 1);
  EXPECT_EQ(view_.Lines().back(), "enable 1002 1");
}

TEST(ClientSession, WorkflowsNeverOverlapAndTheLastIsWaitedFor) {
  RecordingView view;
  std::promise<void> release;
  std::shared_future<void> released = release.get_future().share();
  std::atomic<bool> finished{false};
  {
    ClientSession session(view, "fonts.example", "/tmp");
    ASSERT_TRUE(session.StartWorker([&] {
      released.wait();
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      finished = true;
    }));
    EXPECT_TRUE(session.busy());
    EXPECT_FALSE(session.StartWorker([] { ADD_FAILURE() << "a second workflow ran"; }));
    EXPECT_FALSE(session.BeginWorkflow());
    release.set_value();
  }  // the session waits for its worker before it goes away
  EXPECT_TRUE(finished);
}

}  // namespace
}  // namespace tessaro
