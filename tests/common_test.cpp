#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive_support.h"
#include "common/file_compare.h"
#include "common/file_lister.h"
#include "common/package_formats.h"
#include "common/program_folder.h"
#include "common/program_runner.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace tessaro {
namespace {

using tessaro_test::TempDir;
using tessaro_test::WriteFile;
using namespace std::chrono_literals;

// The runner's behaviour is the platform's (tests/platform/process_contract.h); the shared
// helper hands the call on with its default bound.
TEST(RunHiddenAndWait, MissingProgramReturnsAtOnce) {
  auto start = std::chrono::steady_clock::now();
  TempDir dir;
  platform::RunResult r = RunHiddenAndWait(dir / "no such program", "a b");
  EXPECT_EQ(r.outcome, platform::RunOutcome::kNotStarted);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

TEST(ProgramFolder, FolderOfPathKeepsTheSeparator) {
  EXPECT_EQ(FolderOfPath("C:\\X\\a.exe"), "C:\\X\\");
  EXPECT_EQ(FolderOfPath("/opt/tessaro/bin/tessaro"), "/opt/tessaro/bin/");
  EXPECT_EQ(FolderOfPath("a.exe"), "");
  std::string folder = GetProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), platform::kPathSeparator);
  EXPECT_TRUE(std::filesystem::exists(folder + platform::ProgramFileName("common_test")));
}

TEST(CollectFiles, ListsTheTreeDepthFirstAndSkipsDotFolders) {
  TempDir dir;
  WriteFile(dir / "a.ttf", "a");
  WriteFile(dir / "b.txt", "b");
  WriteFile(dir / "s/c.otf", "c");
  WriteFile(dir / "s/deeper/d.ttc", "d");
  WriteFile(dir / ".hidden/e.ttf", "e");
  WriteFile(dir / ".dotfile", "f");

  // The full path the lister gives for `relative` ("/"-separated) under the folder.
  auto listed = [&](std::string relative) {
    std::replace(relative.begin(), relative.end(), '/', platform::kPathSeparator);
    return platform::JoinPath(dir.path(), relative);
  };
  std::vector<std::string> list = {"kept"};
  CollectFiles(dir.path(), list);
  ASSERT_EQ(list.front(), "kept");
  std::vector<std::string> found(list.begin() + 1, list.end());
  std::sort(found.begin(), found.end());
  EXPECT_EQ(found, (std::vector<std::string>{listed(".dotfile"), listed("a.ttf"), listed("b.txt"),
                                             listed("s/c.otf"), listed("s/deeper/d.ttc")}));
  // A subfolder's files stand together, where the subfolder was met.
  auto c = std::find(list.begin(), list.end(), listed("s/c.otf"));
  auto d = std::find(list.begin(), list.end(), listed("s/deeper/d.ttc"));
  EXPECT_EQ(std::abs(std::distance(c, d)), 1);

  std::vector<std::string> none;
  CollectFiles(dir / "missing", none);
  CollectFiles(dir / "a.ttf", none);
  EXPECT_TRUE(none.empty());
}

TEST(CollectFiles, TellsEachFolderBeforeReadingIt) {
  TempDir dir;
  WriteFile(dir / "s/deeper/d.ttc", "d");
  WriteFile(dir / "s/c.otf", "c");
  std::filesystem::create_directories(dir / "empty");
  std::filesystem::create_directories(dir / ".hidden");
  std::vector<std::string> list;
  std::vector<std::string> folders;
  CollectFiles(dir.path(), list, [&](const std::string& folder) {
    // Called before the folder is read: none of its files is listed yet.
    for (const std::string& file : list) EXPECT_NE(file.rfind(folder + "/", 0), 0u) << file;
    folders.push_back(folder);
  });
  std::sort(folders.begin() + 1, folders.end());
  EXPECT_EQ(folders,
            (std::vector<std::string>{dir.path(), dir / "empty", dir / "s", dir / "s/deeper"}));
  folders.clear();
  CollectFiles(dir / "missing", list,
               [&](const std::string& folder) { folders.push_back(folder); });
  EXPECT_EQ(folders, std::vector<std::string>{dir / "missing"});
}

TEST(SameFileBytes, SizesFirstThenBytes) {
  TempDir dir;
  WriteFile(dir / "a", "font bytes");
  WriteFile(dir / "same", "font bytes");
  WriteFile(dir / "other", "font bytez");
  WriteFile(dir / "longer", "font bytes!");
  WriteFile(dir / "empty1", "");
  WriteFile(dir / "empty2", "");
  std::string big(200 * 1024, 'x');
  WriteFile(dir / "big1", big);
  big.back() = 'y';
  WriteFile(dir / "big2", big);
  const struct {
    const char* a;
    const char* b;
    bool same;
  } cases[] = {
      {"a", "same", true},    {"a", "other", false},      {"a", "longer", false},
      {"longer", "a", false}, {"empty1", "empty2", true}, {"big1", "big2", false},
      {"big1", "big1", true}, {"a", "missing", false},    {"missing", "missing", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SameFileBytes(dir / c.a, dir / c.b), c.same) << c.a << " " << c.b;
  }
}

TEST(FindCopies, EachFileGetsTheFirstCandidateWithItsBytes) {
  TempDir dir;
  WriteFile(dir / "unpacked/a.ttf", "alpha");
  WriteFile(dir / "unpacked/b.ttf", "bravo");
  WriteFile(dir / "unpacked/readme.txt", "hello");  // same size as the fonts, other bytes
  WriteFile(dir / "fonts/x.ttf", "xxxxx");
  WriteFile(dir / "fonts/a.ttf", "alpha");
  WriteFile(dir / "fonts/a-1.ttf", "alpha");
  WriteFile(dir / "fonts/b-1.ttf", "bravo");
  std::vector<std::string> files = {dir / "unpacked/a.ttf", dir / "unpacked/b.ttf",
                                    dir / "unpacked/readme.txt", dir / "unpacked/missing.ttf"};
  std::vector<std::string> candidates = {dir / "fonts/x.ttf", dir / "fonts/a.ttf",
                                         dir / "fonts/a-1.ttf", dir / "fonts/b-1.ttf",
                                         dir / "fonts/gone.ttf"};
  EXPECT_EQ(FindCopies(files, candidates),
            (std::vector<std::string>{dir / "fonts/a.ttf", dir / "fonts/b-1.ttf", "", ""}));
  EXPECT_EQ(FindCopies(files, {}), std::vector<std::string>(4));
  EXPECT_TRUE(FindCopies({}, candidates).empty());
}

// Why a package gives no font: each problem told from the others by reading the package.
TEST(ExaminePackage, SaysWhatIsWrongWithAPackage) {
  TempDir dir;
  // Bytes that do not compress, so that half of the archive holds half of the member's data.
  std::string noise(64 * 1024, '\0');
  std::mt19937 random(7);
  for (char& c : noise) c = static_cast<char>(random());
  ASSERT_TRUE(tessaro_test::WriteArchive(dir / "good.zip", tessaro_test::Format::kZip,
                                         {{tessaro_test::Member::kFile, "a.bin", noise}}));
  ASSERT_TRUE(tessaro_test::WriteArchive(dir / "empty.zip", tessaro_test::Format::kZip, {}));
  const std::string zip = tessaro_test::ReadFile(dir / "good.zip");
  WriteFile(dir / "cut.zip", zip.substr(0, zip.size() / 2));
  WriteFile(dir / "empty.rar", "");
  WriteFile(dir / "notes.txt", "no archive in here");
  const std::string archives = tessaro_test::DataPath("archives/");
  const struct {
    std::string path;
    PackageProblem problem;
  } cases[] = {
      {dir / "good.zip", PackageProblem::kNone},
      {archives + "test_read_format_rar5_solid.rar", PackageProblem::kNone},
      {dir / "missing.zip", PackageProblem::kMissing},
      {dir / "empty.rar", PackageProblem::kEmpty},
      {dir / "notes.txt", PackageProblem::kNotAnArchive},
      {archives + "test_read_format_rar4_encrypted.rar", PackageProblem::kEncrypted},
      // libarchive cannot tell an encrypted RAR 5 member from a damaged one.
      {archives + "test_read_format_rar5_encrypted.rar", PackageProblem::kDamagedOrEncrypted},
      {archives + "test_read_format_rar_invalid1.rar", PackageProblem::kDamaged},
      {dir / "cut.zip", PackageProblem::kDamaged},
      {dir / "empty.zip", PackageProblem::kNoMembers},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExaminePackage(c.path), c.problem) << c.path;
  }
}

}  // namespace
}  // namespace tessaro
