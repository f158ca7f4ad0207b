// The installed fonts' contract: enumeration, font folders and the steps of an installation.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "platform/filesystem.h"
#include "platform/fonts.h"
#include "tests/test_support.h"

namespace platform_contract {

inline std::set<std::string> InstalledFaceNames() {
  std::set<std::string> names;
  platform::EnumerateInstalledFaceNames(
      [](const char* name, void* context) {
        static_cast<std::set<std::string>*>(context)->insert(name);
        return 1;
      },
      &names);
  return names;
}

inline bool EndsWithSeparator(const std::string& folder) {
  return !folder.empty() && (folder.back() == platform::kPathSeparator || folder.back() == '/');
}

template <typename Backend>
class FontsContract : public testing::Test {
 protected:
  // A folder of installed fonts holding the two faces of collection.ttc.
  FontsContract() {
    std::filesystem::create_directories(dir_ / "installed");
    std::filesystem::copy_file(tessaro_test::DataPath("fonts/collection.ttc"),
                               dir_ / "installed/collection.ttc");
    sandbox_.emplace(dir_ / "installed");
  }
  tessaro_test::TempDir dir_;
  std::optional<typename Backend::FontSandbox> sandbox_;
};
TYPED_TEST_SUITE_P(FontsContract);

TYPED_TEST_P(FontsContract, EnumerationGivesTheInstalledFamiliesUntilTheCallbackSaysStop) {
  std::set<std::string> names = InstalledFaceNames();
  EXPECT_EQ(names.count("Tessaro Alpha"), 1u);
  EXPECT_EQ(names.count("Tessaro Beta"), 1u);
  int calls = 0;
  platform::EnumerateInstalledFaceNames(
      [](const char*, void* context) {
        ++*static_cast<int*>(context);
        return 0;
      },
      &calls);
  EXPECT_EQ(calls, 1);
}

TYPED_TEST_P(FontsContract, FoldersHaveNoTrailingSeparatorAndNoneLiesInAnother) {
  std::vector<std::string> folders = platform::SystemFontFolders();
  ASSERT_FALSE(folders.empty());
  for (const std::string& folder : folders) {
    SCOPED_TRACE(folder);
    EXPECT_FALSE(EndsWithSeparator(folder));
    for (const std::string& other : folders) {
      if (&other == &folder) continue;
      EXPECT_NE(folder, other);
      EXPECT_NE(folder.rfind(other + platform::kPathSeparator, 0), 0u);
    }
  }
  std::string installFolder = platform::FontInstallFolder();
  EXPECT_FALSE(installFolder.empty());
  EXPECT_FALSE(EndsWithSeparator(installFolder));
}

TYPED_TEST_P(FontsContract, AFontPlacedInTheInstallFolderIsRegisteredAndAnnounced) {
  const std::string folder = platform::FontInstallFolder();
  std::filesystem::create_directories(folder);
  const std::string font = platform::JoinPath(folder, "long-name.ttf");
  std::filesystem::copy_file(tessaro_test::DataPath("fonts/long-name.ttf"), font,
                             std::filesystem::copy_options::overwrite_existing);
  EXPECT_TRUE(platform::RegisterInstalledFont(font, "Tessaro Long"));
  EXPECT_EQ(InstalledFaceNames().count("Tessaro Long"), 1u);  // at once, in this process
  EXPECT_TRUE(platform::AnnounceFontChange(folder));

  const std::string text = platform::JoinPath(folder, "readme.txt");
  tessaro_test::WriteFile(text, "no font");
  EXPECT_FALSE(platform::RegisterInstalledFont(text, "Readme"));
}

REGISTER_TYPED_TEST_SUITE_P(FontsContract,
                            EnumerationGivesTheInstalledFamiliesUntilTheCallbackSaysStop,
                            FoldersHaveNoTrailingSeparatorAndNoneLiesInAnother,
                            AFontPlacedInTheInstallFolderIsRegisteredAndAnnounced);

}  // namespace platform_contract
