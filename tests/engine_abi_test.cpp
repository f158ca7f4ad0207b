// The engine as an outside program uses it: loaded at run time, called through its C export.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <string>

#include "document_fixtures.h"
#include "test_support.h"

namespace {

using GetLackFontNamesFn = void (*)(const char*, char*, int*);

TEST(EngineAbi, DlopenedLibraryGivesTheSameAnswers) {
  std::string library = std::string(TESSARO_BIN_DIR) + "/libCorvid.so";
  void* handle = dlopen(library.c_str(), RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << dlerror();
  auto getLackFontNames = reinterpret_cast<GetLackFontNamesFn>(dlsym(handle, "GetLackFontNames"));
  ASSERT_NE(getLackFontNames, nullptr);
  // Only the C exports are visible: nothing of the engine's internals.
  EXPECT_EQ(dlsym(handle,
                  "_ZN6corvid18WriteLackFontListERKSt6vectorINSt7__cxx1112basic_stringIcSt11char_"
                  "traitsIcESaIcEEESaIS6_EEPcPi"),
            nullptr);

  for (const auto& fixture : tessaro_test::DocumentFixtures()) {
    std::string path = tessaro_test::DataPath(std::string("documents/") + fixture.path);
    char buffer[2038] = {};
    int length = sizeof buffer;
    getLackFontNames(path.c_str(), buffer, &length);
    std::string expected;
    for (const std::string& name : fixture.fonts) expected += name + ",";
    EXPECT_EQ(std::string(buffer, length), expected) << fixture.path;
  }
  dlclose(handle);
}

}  // namespace
