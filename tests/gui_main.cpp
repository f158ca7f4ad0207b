// The window tests' program: one QApplication (offscreen) for all of them, in a temporary home
// whose font configuration holds a CJK font and DejaVu Sans for the windows' texts and the
// temporary user font folder into which the tests install fonts.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <string>

#include "gui_support.h"
#include "test_support.h"

namespace tessaro_gui_test {
namespace {

namespace fs = std::filesystem;

std::string g_root;

void SetUpHome() {
  std::string pattern = (fs::temp_directory_path() / "tessaro-gui-XXXXXX").string();
  g_root = mkdtemp(pattern.data());
  const std::string systemFonts = g_root + "/system-fonts";
  fs::create_directories(systemFonts);
  for (const char* font : {"/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc",
                           "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                           "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"}) {
    if (fs::exists(font)) {
      fs::create_symlink(font, systemFonts + "/" + fs::path(font).filename().string());
    }
  }
  fs::create_directories(g_root + "/home");
  fs::create_directories(g_root + "/runtime");
  fs::permissions(g_root + "/runtime", fs::perms::owner_all);
  const std::string config = tessaro_test::WriteFontConfig(
      g_root + "/fonts.conf", {systemFonts, g_root + "/data/fonts"}, g_root + "/cache/fontconfig");
  setenv("HOME", (g_root + "/home").c_str(), 1);
  setenv("XDG_DATA_HOME", (g_root + "/data").c_str(), 1);
  setenv("XDG_DATA_DIRS", (g_root + "/shared").c_str(), 1);
  setenv("XDG_CACHE_HOME", (g_root + "/cache").c_str(), 1);
  setenv("XDG_STATE_HOME", (g_root + "/state").c_str(), 1);
  setenv("XDG_CONFIG_HOME", (g_root + "/config").c_str(), 1);
  setenv("XDG_RUNTIME_DIR", (g_root + "/runtime").c_str(), 1);
  setenv("FONTCONFIG_FILE", config.c_str(), 1);
  unsetenv("TESSARO_SERVICE_HOST");
  // When run by hand rather than by CTest.
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu", 0);
}

}  // namespace

std::string UserFontFolder() { return g_root + "/data/fonts"; }

std::string ScreenshotFolder() { return TESSARO_SCREENSHOTS; }

}  // namespace tessaro_gui_test

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  tessaro_gui_test::SetUpHome();
  int result = 0;
  {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    result = RUN_ALL_TESTS();
  }
  std::error_code ignored;
  std::filesystem::remove_all(tessaro_gui_test::g_root, ignored);
  return result;
}
