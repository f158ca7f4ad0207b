// The dynamic library's contract: exactly the file asked for, exports by name, error codes.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "platform/dynamic_library.h"
#include "tests/test_support.h"

namespace platform_contract {

template <typename Backend>
class DynamicLibraryContract : public testing::Test {};
TYPED_TEST_SUITE_P(DynamicLibraryContract);

TYPED_TEST_P(DynamicLibraryContract, LoadsExactlyThePathAndFindsExportsByName) {
  platform::DynamicLibrary library;
  EXPECT_FALSE(library.loaded());
  EXPECT_EQ(library.Symbol("GetLackFontNames"), nullptr);
  int code = -1;
  ASSERT_TRUE(library.Load(TypeParam::TestLibrary(), &code)) << TypeParam::TestLibrary();
  EXPECT_TRUE(library.loaded());
  using Fn = void (*)(const char*, char*, int*);
  auto get = reinterpret_cast<Fn>(library.Symbol("GetLackFontNames"));
  ASSERT_NE(get, nullptr);
  char buffer[16] = {};
  int length = 16;
  get("doc.psd", buffer, &length);
  EXPECT_EQ(std::string(buffer, length), "Arial,");
  EXPECT_EQ(library.Symbol("InstallFonts"), nullptr);

  platform::DynamicLibrary moved = std::move(library);
  EXPECT_FALSE(library.loaded());
  EXPECT_NE(moved.Symbol("GetLackFontNames"), nullptr);
  moved.Unload();
  EXPECT_FALSE(moved.loaded());
  EXPECT_EQ(moved.Symbol("GetLackFontNames"), nullptr);
}

TYPED_TEST_P(DynamicLibraryContract, FailuresGiveTheSystemsErrorCode) {
  tessaro_test::TempDir dir;
  const struct {
    const char* what;
    std::string path;
    bool missing;
  } cases[] = {
      {"missing file", dir / "Corvid-missing", true},
      {"not a library", dir / "text.txt", false},
      {"a folder", dir.path(), false},
  };
  tessaro_test::WriteFile(dir / "text.txt", "no library");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    platform::DynamicLibrary library;
    int code = 0;
    std::string text;
    EXPECT_FALSE(library.Load(c.path, &code, &text));
    EXPECT_FALSE(library.loaded());
    if (c.missing) {
      EXPECT_EQ(code, TypeParam::kMissingLibraryError);
    } else {
      EXPECT_NE(code, 0);
      EXPECT_NE(code, TypeParam::kMissingLibraryError);
    }
    EXPECT_FALSE(text.empty());
  }
}

REGISTER_TYPED_TEST_SUITE_P(DynamicLibraryContract, LoadsExactlyThePathAndFindsExportsByName,
                            FailuresGiveTheSystemsErrorCode);

}  // namespace platform_contract
