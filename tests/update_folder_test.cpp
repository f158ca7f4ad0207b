#include "client/core/update_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "test_support.h"

namespace tessaro {
namespace {

namespace fs = std::filesystem;
using tessaro_test::TempDir;
using tessaro_test::WriteFile;

TEST(CleanUpdateFolder, RemovesWhatAnUpdateLeft) {
  const struct {
    const char* what;
    std::string workFolder;          // below the temporary folder
    std::vector<std::string> files;  // below <work>/update
    bool folder;                     // an (empty) update folder without files
  } cases[] = {
      {"files and a subfolder", "work", {"setup", "TessaroPc-1.31.zip", "res/icons/a.png"}, true},
      {"an empty folder", "work", {}, true},
      {"a working folder with blanks", "my work folder", {"setup"}, true},
      {"no folder", "work", {}, false},
  };
  for (const auto& c : cases) {
    TempDir dir;
    const std::string work = dir / c.workFolder;
    fs::create_directories(work);
    if (c.folder) fs::create_directories(work + "/update");
    for (const std::string& file : c.files) WriteFile(work + "/update/" + file, "x");
    WriteFile(work + "/keep.txt", "not the update's");
    CleanUpdateFolder(work);
    EXPECT_FALSE(fs::exists(UpdateFolder(work))) << c.what;
    EXPECT_TRUE(fs::exists(work + "/keep.txt")) << c.what;
  }
}

TEST(CleanUpdateFolder, LeavesAFileOrALinkOfThatNameAlone) {
  TempDir dir;
  WriteFile(dir / "file/update", "a plain file");
  CleanUpdateFolder(dir / "file");
  EXPECT_TRUE(fs::is_regular_file(dir / "file/update"));

  // (Where no links can be made, as under Wine, only the file.)
  if (!tessaro_test::SymlinksWork()) return;
  WriteFile(dir / "elsewhere/precious", "x");
  fs::create_directories(dir / "linked");
  fs::create_directory_symlink(dir / "elsewhere", dir / "linked/update");
  CleanUpdateFolder(dir / "linked");
  EXPECT_TRUE(fs::exists(dir / "elsewhere/precious"));
}

}  // namespace
}  // namespace tessaro
