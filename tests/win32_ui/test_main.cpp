// The window tests' program: common controls and COM on the test thread, as TessaroPc has them,
// then the tests.
#include <windows.h>
// Built on <windows.h>:
#include <commctrl.h>
#include <gtest/gtest.h>
#include <ole2.h>

int main(int argc, char** argv) {
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_WIN95_CLASSES | ICC_LINK_CLASS};
  InitCommonControlsEx(&controls);
  OleInitialize(nullptr);
  ::testing::InitGoogleTest(&argc, argv);
  const int result = RUN_ALL_TESTS();
  OleUninitialize();
  return result;
}
