// The preview and About windows that the main window opens: what their browsers are sent to,
// where they stand, and what their links do.

#include <windows.h>
// Built on <windows.h>:
#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "client/ui/win32/resource.h"
#include "client/ui/win32/web_browser.h"
#include "client/ui/win32/wide_text.h"
#include "client/workflow/service_protocol.h"
#include "client/workflow/session.h"
#include "loopback_service.h"
#include "window_test_support.h"

namespace tessaro_win32_test {
namespace {

RECT WindowRect(HWND window) {
  RECT rect{};
  GetWindowRect(window, &rect);
  return rect;
}

class SecondaryWindowsTest : public WindowTest {
 protected:
  void OpenWithRows() {
    OpenWindow();
    service_.catalogue["TessaroSans-Bold"] = {"fonts/sans-bold.zip"};
    Analyse(
        Document("sample.pdf", {"微软雅黑", "TessaroSans-Bold", "方正兰亭黑", "Tessaro_Sans+Pro"}));
    ASSERT_EQ(Rows().size(), 4u);
  }
  int Row(const std::string& name) {
    const Lines& names = window().rowNames();
    for (std::size_t row = 0; row < names.size(); ++row) {
      if (names[row] == Ansi(name)) return static_cast<int>(row);
    }
    return -1;
  }
  void Preview(const std::string& name) {
    const int row = Row(name);
    ASSERT_GE(row, 0) << name;
    ClickCell(row, tessaro::kPreviewColumn);
  }
  std::string Base() { return "http://" + service_.host(); }
  LoopbackService service_;
};

TEST_F(SecondaryWindowsTest, PreviewShowsTheFontsPageBesideTheMainWindow) {
  OpenWithRows();
  Preview("微软雅黑");
  tessaro::PreviewDlg& preview = window().previewDlg();
  HWND dialog = preview.hwnd();
  ASSERT_NE(dialog, nullptr);
  EXPECT_TRUE(IsWindowVisible(dialog));
  ASSERT_TRUE(preview.browserCreated());
  // The font's UTF-8 bytes, percent-encoded: the address the browser was sent to.
  const std::string address =
      Base() + "/fontlistPc.aspx?fn=%E5%BE%AE%E8%BD%AF%E9%9B%85%E9%BB%91&fz=1";
  EXPECT_EQ(preview.lastAddress(), address);
  EXPECT_EQ(preview.browser()->lastAddress(), Wide(address));
  EXPECT_EQ(TextOf(dialog), "预览字体(" + service_.host() + ")");
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), window().hwnd());
  const LONG_PTR style = GetWindowLongPtrW(dialog, GWL_STYLE);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  RECT client;
  GetClientRect(dialog, &client);
  RECT designed{0, 0, 480, 273};
  MapDialogRect(dialog, &designed);
  EXPECT_EQ(client.right, designed.right);
  EXPECT_EQ(client.bottom, designed.bottom);
  RECT browser{0, 0, 478, 271};
  MapDialogRect(dialog, &browser);
  RECT browserWindow{};
  GetClientRect(preview.browser()->window(), &browserWindow);
  EXPECT_EQ(browserWindow.right, browser.right);
  EXPECT_EQ(browserWindow.bottom, browser.bottom);
  // Its left edge on the main window's right edge, the tops aligned.
  EXPECT_EQ(WindowRect(dialog).left, WindowRect(window().hwnd()).right);
  EXPECT_EQ(WindowRect(dialog).top, WindowRect(window().hwnd()).top);
  const std::string log = Log();
  EXPECT_LT(log.find("CreatePDlg begin"), log.find("CreatePDlg end"));

  // Blank, underscore and plus are escaped too.
  Preview("Tessaro_Sans+Pro");
  EXPECT_EQ(window().previewDlg().lastAddress(),
            Base() + "/fontlistPc.aspx?fn=Tessaro%5FSans%2BPro&fz=1");
  EXPECT_TRUE(answerer_.shown.empty());
}

TEST_F(SecondaryWindowsTest, ThePagesDownloadLinkInstallsThePreviewedFont) {
  OpenWithRows();
  Preview("TessaroSans-Bold");
  tessaro::PreviewDlg& preview = window().previewDlg();
  ASSERT_TRUE(preview.browserCreated());
  // The page's link to the font's package, as a click sends the browser there.
  preview.browser()->Navigate2(Wide(Base() + "/fonts/sans-bold.zip"));
  // The browser tells of the navigation when its loop gets to it.
  ASSERT_TRUE(RunUntil([&] { return !answerer_.shown.empty(); }));
  EXPECT_EQ(Messages(), Lines{"下载安装失败\nTessaroSans-Bold: 下载失败: HTTP 404"});
  // The row stays, its font still missing.
  EXPECT_EQ(Rows().at(Row("TessaroSans-Bold")),
            (Lines{"TessaroSans-Bold", "安装失败", "预览", "下载"}));
  // Links to pages are followed as they are.
  answerer_.shown.clear();
  preview.browser()->Navigate2(Wide(Base() + "/fontlistPc.aspx?fn=Other&fz=1"));
  Settle();
  EXPECT_TRUE(answerer_.shown.empty());
}

TEST_F(SecondaryWindowsTest, EveryPreviewClickMakesANewWindowThatFollowsTheMainWindow) {
  OpenWithRows();
  Preview("微软雅黑");
  HWND first = window().previewDlg().hwnd();
  RECT frame = WindowRect(window().hwnd());
  SetWindowPos(window().hwnd(), nullptr, frame.left + 40, frame.top + 25, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER);
  Preview("微软雅黑");
  EXPECT_FALSE(IsWindow(first));
  HWND second = window().previewDlg().hwnd();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(WindowRect(second).left, WindowRect(window().hwnd()).right);
  EXPECT_EQ(WindowRect(second).top, WindowRect(window().hwnd()).top);

  // Closed by the user, the window stays closed; the next click opens a new one.
  PostMessageW(second, WM_CLOSE, 0, 0);
  Settle();
  EXPECT_FALSE(IsWindowVisible(second));
  Preview("方正兰亭黑");
  EXPECT_FALSE(IsWindow(second));
  EXPECT_TRUE(IsWindowVisible(window().previewDlg().hwnd()));
}

TEST_F(SecondaryWindowsTest, NavigateToEncodesTheBufferInPlace) {
  OpenWindow();
  tessaro::PreviewDlg preview;
  GetWindowRect(window().hwnd(), &preview.m_ownerRect);
  ASSERT_TRUE(preview.Create(window().hwnd(), service_.host()));
  EXPECT_EQ(preview.lastAddress(), Base());  // the service's home page first
  EXPECT_EQ(WindowRect(preview.hwnd()).left, WindowRect(window().hwnd()).right);
  const struct {
    std::string ansi;
    std::string encoded;
  } cases[] = {
      {"http://h/fontlistPc.aspx?fn=" + Ansi("微软雅黑") + "&fz=1",
       "http://h/fontlistPc.aspx?fn=%E5%BE%AE%E8%BD%AF%E9%9B%85%E9%BB%91&fz=1"},
      {"http://h/p?fn=A b_c+d&fz=1", "http://h/p?fn=A%20b%5Fc%2Bd&fz=1"},
      {"http://h/p?fn=x~y%z,w&fz=1", "http://h/p?fn=x%7Ey%25z%2Cw&fz=1"},
  };
  for (const auto& c : cases) {
    char buffer[tessaro::kBrowserAddressSize] = {};
    std::memcpy(buffer, c.ansi.data(), c.ansi.size());
    preview.NavigateTo(buffer);
    EXPECT_EQ(preview.lastAddress(), c.encoded);
    EXPECT_EQ(preview.browser()->lastAddress(), Wide(c.encoded));
    // In place: the buffer now holds the UTF-8 form.
    EXPECT_EQ(std::string(buffer), PercentDecode(c.encoded));
  }
}

// Regression: a name too long for the 260-byte address was cut, and the page of another font
// was shown.
TEST_F(SecondaryWindowsTest, AFontNameTooLongForTheAddressIsNotPreviewed) {
  OpenWindow();
  const std::string name(230, 'N');
  Analyse(Document("long.pdf", {name}));
  ASSERT_EQ(Rows().size(), 1u);
  answerer_.shown.clear();
  ClickCell(0, tessaro::kPreviewColumn);
  EXPECT_EQ(Messages(), Lines{"字体名太长，无法预览"});
  EXPECT_EQ(window().previewDlg().hwnd(), nullptr);
}

// The WebBrowser control cannot be created where its class is not registered.
class WithoutTheBrowserControl {
 public:
  WithoutTheBrowserControl() {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key);
    wchar_t value[MAX_PATH] = {};
    DWORD size = sizeof value;
    RegQueryValueExW(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size);
    old_ = value;
    const wchar_t missing[] = L"C:\\windows\\system32\\no-such-browser.dll";
    EXPECT_EQ(RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(missing),
                             sizeof missing),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }
  ~WithoutTheBrowserControl() {
    HKEY key = nullptr;
    RegOpenKeyExW(HKEY_LOCAL_MACHINE, kKey, 0, KEY_SET_VALUE, &key);
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(old_.c_str()),
                   static_cast<DWORD>((old_.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
  }

 private:
  static constexpr const wchar_t* kKey =
      L"Software\\Classes\\CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}\\InprocServer32";
  std::wstring old_;
};

TEST_F(SecondaryWindowsTest, WithoutTheBrowserControlTheDefaultBrowserShowsThePreview) {
  OpenWithRows();
  UrlRecorder browser;
  {
    WithoutTheBrowserControl noControl;
    Preview("TessaroSans-Bold");
  }
  // No empty window: the address goes to the default browser.
  EXPECT_EQ(window().previewDlg().hwnd(), nullptr);
  ASSERT_TRUE(RunUntilSignalled(browser.recorded()));
  EXPECT_EQ(browser.urls(), Lines{Base() + "/fontlistPc.aspx?fn=TessaroSans-Bold&fz=1"});
  EXPECT_TRUE(answerer_.shown.empty());
}

TEST_F(SecondaryWindowsTest, AboutShowsTheVersionAndThePageAndOpensTheSite) {
  UrlRecorder browser;
  OpenWindow();
  Click(IDC_BUTTON_ABOUT);
  HWND first = window().aboutDlg().hwnd();
  Click(IDC_BUTTON_ABOUT);
  tessaro::AboutDlg& about = window().aboutDlg();
  HWND dialog = about.hwnd();
  ASSERT_NE(dialog, nullptr);
  EXPECT_FALSE(IsWindow(first));  // one About window, the newest
  EXPECT_TRUE(IsWindowVisible(dialog));
  EXPECT_EQ(TextOf(dialog), "关于Tessaro网");
  EXPECT_EQ(GetWindow(dialog, GW_OWNER), window().hwnd());
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_ABOUT_VERSION)), "1.30");
  EXPECT_EQ(TextOf(GetDlgItem(dialog, IDC_ABOUT_LINK)),
            "<a href=\"" + Base() + "\">" + service_.host() + "</a>");
  // At the top left corner of the main window's client area.
  POINT corner{0, 0};
  ClientToScreen(window().hwnd(), &corner);
  EXPECT_EQ(WindowRect(dialog).left, corner.x);
  EXPECT_EQ(WindowRect(dialog).top, corner.y);

  // The page 103 of the program, behind the controls.
  ASSERT_NE(about.page(), nullptr);
  EXPECT_TRUE(about.page()->created());
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  EXPECT_EQ(about.page()->lastAddress(), L"res://" + std::wstring(program) + L"/103");
  EXPECT_EQ(GetWindow(about.page()->window(), GW_HWNDNEXT), nullptr);  // the bottom of the order
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(IDR_ABOUT_PAGE), RT_HTML);
  ASSERT_NE(resource, nullptr);
  const std::string page(static_cast<const char*>(LockResource(LoadResource(nullptr, resource))),
                         SizeofResource(nullptr, resource));
  EXPECT_NE(page.find("<body id=\"AboutDlg\" style=\"background-color: LIGHTGREY\"></body>"),
            std::string::npos)
      << page;

  // The link opens the site in the browser and leaves the window open.
  HWND link = GetDlgItem(dialog, IDC_ABOUT_LINK);
  RECT area;
  GetClientRect(link, &area);
  const LPARAM at = MAKELPARAM(6, area.bottom / 2);
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(link, WM_LBUTTONUP, 0, at);
  Settle();
  ASSERT_TRUE(RunUntilSignalled(browser.recorded()));
  EXPECT_EQ(browser.urls(), Lines{Base()});
  EXPECT_TRUE(IsWindowVisible(dialog));

  // "确定" hides it.
  PostMessageW(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
  Settle();
  EXPECT_TRUE(IsWindow(dialog));
  EXPECT_FALSE(IsWindowVisible(dialog));
}

}  // namespace
}  // namespace tessaro_win32_test
