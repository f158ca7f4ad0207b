// The file-system primitives' contract: listing a folder, names of programs and libraries, new
// files that never replace anything.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/filesystem.h"
#include "tests/test_support.h"

namespace platform_contract {

template <typename Backend>
class FilesystemContract : public testing::Test {
 protected:
  tessaro_test::TempDir dir_;
};
TYPED_TEST_SUITE_P(FilesystemContract);

TYPED_TEST_P(FilesystemContract, ListsEveryEntryButTheDotsWithItsKind) {
  using platform::EntryKind;
  tessaro_test::WriteFile(this->dir_ / "a.ttf", "a");
  tessaro_test::WriteFile(this->dir_ / ".dotfile", "b");
  tessaro_test::WriteFile(this->dir_ / "sub/c.otf", "c");
  std::filesystem::create_directory(this->dir_ / ".dotfolder");
  std::vector<std::pair<std::string, EntryKind>> seen;
  EXPECT_TRUE(platform::ListDirectory(this->dir_.path(), [&](const platform::DirectoryEntry& e) {
    seen.emplace_back(std::string(e.name), e.kind);
  }));
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::pair<std::string, EntryKind>>{
                      {".dotfile", EntryKind::kFile},
                      {".dotfolder", EntryKind::kDirectory},
                      {"a.ttf", EntryKind::kFile},
                      {"sub", EntryKind::kDirectory}}));

  int visits = 0;
  auto count = [&](const platform::DirectoryEntry&) { ++visits; };
  EXPECT_FALSE(platform::ListDirectory(this->dir_ / "missing", count));
  EXPECT_FALSE(platform::ListDirectory(this->dir_ / "a.ttf", count));
  std::filesystem::create_directory(this->dir_ / "empty");
  EXPECT_TRUE(platform::ListDirectory(this->dir_ / "empty", count));
  EXPECT_EQ(visits, 0);
}

TYPED_TEST_P(FilesystemContract, PathsAreJoinedWithTheSeparator) {
  const std::string sep(1, platform::kPathSeparator);
  EXPECT_EQ(platform::JoinPath("work", "update"), "work" + sep + "update");
  EXPECT_EQ(platform::JoinPath("", "x"), sep + "x");
  // A file joined onto a listed folder is found where the listing found it.
  tessaro_test::WriteFile(this->dir_ / "f.txt", "f");
  std::string listed;
  platform::ListDirectory(this->dir_.path(), [&](const platform::DirectoryEntry& e) {
    listed = platform::JoinPath(this->dir_.path(), e.name);
  });
  EXPECT_EQ(tessaro_test::ReadFile(listed), "f");
}

TYPED_TEST_P(FilesystemContract, TheExecutableAndTheNamesOfProgramsAndLibraries) {
  std::string exe = platform::ExecutablePath();
  ASSERT_FALSE(exe.empty());
  EXPECT_TRUE(std::filesystem::is_regular_file(exe)) << exe;
  // The running test program's own name is a program name of this platform.
  std::string name = std::filesystem::path(exe).filename().string();
  std::string stem = std::filesystem::path(exe).stem().string();
  EXPECT_EQ(platform::ProgramFileName(stem), name);
  EXPECT_EQ(platform::SharedLibraryFileName("Corvid"), TypeParam::kEngineFileName);
  EXPECT_EQ(platform::ProgramFileName("setup"), TypeParam::kInstallerFileName);
}

TYPED_TEST_P(FilesystemContract, NewFilesNeverReplaceAnything) {
  using platform::NewFileStatus;
  const std::string path = this->dir_ / "new.bin";
  platform::NewFile created = platform::CreateNewFile(path);
  ASSERT_EQ(created.status, NewFileStatus::kCreated);
  ASSERT_NE(created.file, nullptr);
  EXPECT_EQ(std::fwrite("a\nb", 1, 3, created.file), 3u);
  EXPECT_EQ(std::fclose(created.file), 0);
  EXPECT_EQ(tessaro_test::ReadFile(path), "a\nb");  // binary: no line-end conversion

  platform::NewFile again = platform::CreateNewFile(path);
  EXPECT_EQ(again.status, NewFileStatus::kExists);
  EXPECT_EQ(again.file, nullptr);
  EXPECT_EQ(tessaro_test::ReadFile(path), "a\nb");
  std::filesystem::create_directory(this->dir_ / "folder");
  EXPECT_EQ(platform::CreateNewFile(this->dir_ / "folder").status, NewFileStatus::kExists);
  platform::NewFile nowhere = platform::CreateNewFile(this->dir_ / "missing/new.bin");
  EXPECT_EQ(nowhere.status, NewFileStatus::kFailed);
  EXPECT_EQ(nowhere.file, nullptr);
}

TYPED_TEST_P(FilesystemContract, MakeExecutableNeedsTheFile) {
  tessaro_test::WriteFile(this->dir_ / "setup", "program");
  EXPECT_TRUE(platform::MakeExecutable(this->dir_ / "setup"));
  EXPECT_EQ(tessaro_test::ReadFile(this->dir_ / "setup"), "program");
  EXPECT_FALSE(platform::MakeExecutable(this->dir_ / "missing"));
}

REGISTER_TYPED_TEST_SUITE_P(FilesystemContract, ListsEveryEntryButTheDotsWithItsKind,
                            PathsAreJoinedWithTheSeparator,
                            TheExecutableAndTheNamesOfProgramsAndLibraries,
                            NewFilesNeverReplaceAnything, MakeExecutableNeedsTheFile);

}  // namespace platform_contract
