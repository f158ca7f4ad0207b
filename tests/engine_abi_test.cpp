// The engine as an outside program uses it: loaded at run time, called through its C export.

#include <gtest/gtest.h>

#include <string>

#include "document_fixtures.h"
#include "platform/dynamic_library.h"
#include "platform/filesystem.h"
#include "test_support.h"

namespace {

using GetLackFontNamesFn = void (*)(const char*, char*, int*);

TEST(EngineAbi, LoadedLibraryGivesTheSameAnswers) {
  const std::string library =
      tessaro_test::JoinNative(TESSARO_BIN_DIR, platform::SharedLibraryFileName("Corvid"));
  platform::DynamicLibrary engine;
  std::string error;
  ASSERT_TRUE(engine.Load(library, nullptr, &error)) << library << ": " << error;
  auto getLackFontNames = reinterpret_cast<GetLackFontNamesFn>(engine.Symbol("GetLackFontNames"));
  ASSERT_NE(getLackFontNames, nullptr);
  // Only the C exports are visible: nothing of the engine's internals.
  EXPECT_EQ(
      engine.Symbol("_ZN6corvid18WriteLackFontListERKSt6vectorINSt7__cxx1112basic_stringIcSt11"
                    "char_traitsIcESaIcEEESaIS6_EEPcPi"),
      nullptr);

  for (const auto& fixture : tessaro_test::DocumentFixtures()) {
    std::string path = tessaro_test::DataPath(std::string("documents/") + fixture.path);
    char buffer[2038] = {};
    int length = sizeof buffer;
    getLackFontNames(path.c_str(), buffer, &length);
    EXPECT_EQ(std::string(buffer, length), tessaro_test::LackFontList(fixture)) << fixture.path;
  }
}

}  // namespace
