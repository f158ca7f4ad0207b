// TessaroPc on Windows against tessaro-service with the sample catalogue (over real HTTP on
// 127.0.0.1): the sample flyer dropped on the window, a preview, a font installed from its row
// and the others with "一键安装字体", into the Wine prefix's fonts; the update check; the
// screenshots of the three windows.

#include <windows.h>
// Built on <windows.h>:
#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "client/ui/win32/resource.h"
#include "client/ui/win32/web_browser.h"
#include "client/workflow/main_view.h"
#include "window_test_support.h"

namespace tessaro_win32_test {
namespace {

namespace fs = std::filesystem;

// The files of the flyer's fonts that the service's packages hold.
const char* const kFlyerFontFiles[] = {"DejaVuSans.ttf", "DejaVuSans-Bold.ttf", "DejaVuSerif.ttf",
                                       "LiberationMono-Regular.ttf", "LiberationSans-Regular.ttf"};

// Takes the flyer's fonts out of the prefix again, should an earlier run of this test (in the
// same session) have installed them: their registry values, machine's and user's, and their
// files. Wine builds its font list from these when a program starts.
void UninstallFlyerFonts() {
  auto isFlyerFont = [](const std::string& data) {
    const std::string file = fs::path(data).filename().string();
    for (const char* name : kFlyerFontFiles) {
      if (lstrcmpiA(file.c_str(), name) == 0) return true;
    }
    return false;
  };
  for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0,
                      KEY_QUERY_VALUE | KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
      continue;
    }
    std::vector<std::string> flyerValues;
    for (DWORD index = 0;; ++index) {
      char name[512] = {};
      BYTE data[1024] = {};
      DWORD nameSize = sizeof name;
      DWORD dataSize = sizeof data - 1;
      if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, data, &dataSize) !=
          ERROR_SUCCESS) {
        break;
      }
      if (isFlyerFont(reinterpret_cast<const char*>(data))) flyerValues.push_back(name);
    }
    for (const std::string& name : flyerValues) RegDeleteValueA(key, name.c_str());
    RegCloseKey(key);
  }
  for (const char* name : kFlyerFontFiles) {
    const fs::path file = fs::path(FontFolder()) / name;
    if (!fs::exists(file)) continue;
    RemoveFontResourceA(file.string().c_str());
    std::error_code error;
    fs::remove(file, error);
    EXPECT_FALSE(error) << file.string();
  }
}

class ServiceWindowTest : public WindowTest {
 protected:
  ServiceWindowTest() : host_(SampleServiceHost()), hostVariable_("TESSARO_SERVICE_HOST", host_) {
    UninstallFlyerFonts();
  }
  int Row(const std::string& name) {
    const Lines& names = window().rowNames();
    for (std::size_t row = 0; row < names.size(); ++row) {
      if (names[row] == name) return static_cast<int>(row);
    }
    return -1;
  }
  void Select(int row) {
    HWND list = window().item(IDC_LIST_FONTS);
    SetFocus(list);
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    Settle();
  }
  std::string host_;
  tessaro_test::ScopedEnv hostVariable_;
};

TEST_F(ServiceWindowTest, TheSampleFlyerFromDropToInstalledFonts) {
  ASSERT_FALSE(host_.empty()) << "tessaro-service is not running (the fixture win32_ui_start)";
  const std::string flyer = tessaro_test::DataPath("documents/sample/flyer.pdf");
  OpenWindow();
  EXPECT_TRUE(answerer_.shown.empty());  // the client is current: nothing said at start

  // Wine has none of the flyer's fonts: five are offered, one is not.
  Analyse(flyer);
  EXPECT_EQ(Rows(), (Table{{"DejaVuSans", "可以下载", "预览", "下载"},
                           {"DejaVuSans-Bold", "可以下载", "预览", "下载"},
                           {"DejaVuSerif", "可以下载", "预览", "下载"},
                           {"LiberationMono", "可以下载", "预览", "下载"},
                           {"LiberationSans", "可以下载", "预览", "下载"},
                           {"NimbusRoman-Regular", "不可下载", "预览", ""}}));
  EXPECT_TRUE(answerer_.shown.empty());
  Select(4);
  SaveScreenshot(window().hwnd(), "main_window_flyer.png");

  ClickCell(Row("LiberationSans"), tessaro::kPreviewColumn);
  tessaro::PreviewDlg& preview = window().previewDlg();
  ASSERT_NE(preview.hwnd(), nullptr);
  ASSERT_TRUE(preview.browserCreated());
  const std::string address = "http://" + host_ + "/fontlistPc.aspx?fn=LiberationSans&fz=1";
  EXPECT_EQ(preview.lastAddress(), address);
  EXPECT_EQ(preview.browser()->lastAddress(), Wide(address));
  SaveScreenshot(preview.hwnd(), "preview_window.png");

  // One font from its row.
  ClickCell(Row("DejaVuSerif"), tessaro::kDownloadColumn);
  EXPECT_EQ(Messages(), Lines{"下载安装完成"});
  EXPECT_EQ(Row("DejaVuSerif"), -1);
  EXPECT_EQ(Rows().size(), 5u);
  EXPECT_TRUE(fs::exists(fs::path(FontFolder()) / "DejaVuSerif.ttf")) << FontFolder();
  EXPECT_FALSE(fs::exists(work_ / "_downFonts"));
  EXPECT_FALSE(fs::exists(work_ / "_exfonts"));

  // The others with "一键安装字体": the installed fonts leave the list, the one the service does
  // not offer stays.
  answerer_.shown.clear();
  Click(IDC_BUTTON_INSTALL_ALL);
  WaitForWorker();
  EXPECT_EQ(Messages(), Lines{"下载安装完成"});
  EXPECT_EQ(Rows(), (Table{{"NimbusRoman-Regular", "不可下载", "预览", ""}}));
  const Lines installed = FilesIn(FontFolder());
  for (const char* file : kFlyerFontFiles) {
    EXPECT_NE(std::find(installed.begin(), installed.end(), file), installed.end()) << file;
  }
  EXPECT_EQ(SendMessageW(window().item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
  for (int id : {IDC_BUTTON_OPEN, IDC_BUTTON_ABOUT, IDC_BUTTON_UPDATE, IDC_BUTTON_INSTALL_ALL,
                 IDC_LIST_FONTS}) {
    EXPECT_TRUE(IsWindowEnabled(window().item(id))) << id;
  }

  // Analysed again, only the font the service cannot supply is missing.
  answerer_.shown.clear();
  Analyse(flyer);
  EXPECT_EQ(Rows(), (Table{{"NimbusRoman-Regular", "不可下载", "预览", ""}}));
  EXPECT_TRUE(answerer_.shown.empty());

  // The service names no newer client.
  Click(IDC_BUTTON_UPDATE);
  WaitForWorker();
  ASSERT_EQ(Messages(), Lines{"当前已经是最新版本"});
  EXPECT_EQ(answerer_.shown[0].owner, window().hwnd());
  EXPECT_EQ(answerer_.shown[0].caption, "Tessaro网" + host_);
  EXPECT_FALSE(answerer_.shown[0].cancel);

  Click(IDC_BUTTON_ABOUT);
  ASSERT_NE(window().aboutDlg().hwnd(), nullptr);
  SaveScreenshot(window().aboutDlg().hwnd(), "about_window.png");
}

}  // namespace
}  // namespace tessaro_win32_test
