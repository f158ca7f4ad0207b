// The main window of TessaroPc on Windows, driven through its controls: documents dropped and
// opened, list cells clicked, the buttons pressed, against the real engine and a font service of
// the test's own on 127.0.0.1.

#include <windows.h>
// Built on <windows.h>:
#include <commctrl.h>
#include <dlgs.h>
#include <gtest/gtest.h>
#include <shellapi.h>

#include <filesystem>
#include <map>

#include "client/ui/win32/resource.h"
#include "client/ui/win32/wide_text.h"
#include "client/workflow/service_protocol.h"
#include "loopback_service.h"
#include "window_test_support.h"

namespace tessaro_win32_test {
namespace {

namespace fs = std::filesystem;
using tessaro::Control;

const int kLockedControls[] = {IDC_BUTTON_OPEN, IDC_BUTTON_ABOUT, IDC_BUTTON_UPDATE,
                               IDC_BUTTON_INSTALL_ALL, IDC_LIST_FONTS};

// A rectangle of `window`'s template in pixels: position and size converted each on its own, as
// the dialog manager makes a template's controls.
RECT Units(HWND window, int x, int y, int width, int height) {
  RECT rect{x, y, width, height};
  MapDialogRect(window, &rect);
  return {rect.left, rect.top, rect.left + rect.right, rect.top + rect.bottom};
}

RECT ClientRectIn(HWND parent, HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The width of `text` (UTF-8) in the font of `control`, in pixels.
int TextWidth(HWND control, const std::string& text) {
  const std::wstring wide = Wide(text);
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{};
  GetTextExtentPoint32W(dc, wide.data(), static_cast<int>(wide.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

std::string Describe(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) +
         "," + std::to_string(r.bottom);
}

// The sample: three missing fonts; the service offers two packages for one, one for another
// and nothing for the third. In the engine's order, the names' bytes in the ANSI code page (GBK:
// 方 B7BD before 微 CEA2).
class MainWindowTest : public WindowTest {
 protected:
  MainWindowTest() {
    service_.catalogue["TessaroSans-Bold"] = {"fonts/sans-bold.zip"};
    service_.catalogue["方正兰亭黑"] = {"fonts/fzlth-1.zip", "fonts/fzlth-2.zip"};
    caption_ = "Tessaro网" + service_.host();
  }
  std::string Sample() {
    return Document("sample.pdf", {"方正兰亭黑", "TessaroSans-Bold", "微软雅黑"});
  }
  const Table kSampleRows = {{"TessaroSans-Bold", "可以下载", "预览", "下载"},
                             {"方正兰亭黑", "可以下载", "预览", "下载"},
                             {"微软雅黑", "不可下载", "预览", ""}};
  void ExpectAllEnabled() {
    for (int id : kLockedControls) EXPECT_TRUE(IsWindowEnabled(window().item(id))) << id;
  }
  LoopbackService service_;
  std::string caption_;
};

TEST_F(MainWindowTest, StartsWithTheDesignedWindow) {
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  HWND window = dlg.hwnd();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_EQ(TextOf(window), "Tessaro(Tessaro网PC版)");
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_MINIMIZEBOX);
  EXPECT_FALSE(style & WS_MAXIMIZEBOX);
  EXPECT_FALSE(style & WS_THICKFRAME);  // not resizable
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_APPWINDOW);  // in the task bar
  EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_BIG, 0), 0);
  EXPECT_NE(SendMessageW(window, WM_GETICON, ICON_SMALL, 0), 0);
  EXPECT_NE(SendDlgItemMessageW(window, IDC_BUTTON_OPEN, BM_GETIMAGE, IMAGE_BITMAP, 0), 0);

  RECT client;
  GetClientRect(window, &client);
  const RECT designed = Units(window, 0, 0, 258, 178);
  EXPECT_EQ(client.right, designed.right);
  EXPECT_EQ(client.bottom, designed.bottom);
  const struct {
    int id;
    RECT units;
    std::string text;
  } controls[] = {
      {IDC_LIST_FONTS, {3, 20, 251, 132}, ""},
      {IDC_EDIT_PATH, {2, 2, 152, 14}, "请打开或拖入cdr、psd、psb、ai、pdf格式的稿件"},
      {IDC_BUTTON_OPEN, {158, 2, 43, 15}, "打开文件"},
      {IDC_BUTTON_INSTALL_ALL, {207, 2, 46, 14}, "一键安装字体"},
      {IDC_PROGRESS, {3, 153, 251, 6}, ""},
      {IDC_BUTTON_ABOUT, {168, 161, 40, 15}, "关于"},
      {IDC_BUTTON_UPDATE, {212, 161, 41, 15}, "更新"},
      {IDC_STATIC_SLOGAN, {82, 164, 79, 9}, "Tessaro, 缺字体一键补齐"},
      {IDC_LINK_SITE,
       {3, 164, 78, 12},
       "官网: <a href=\"http://" + service_.host() + "\">" + service_.host() + "</a>"},
  };
  for (const auto& c : controls) {
    HWND control = dlg.item(c.id);
    ASSERT_NE(control, nullptr) << c.id;
    const RECT want = Units(window, c.units.left, c.units.top, c.units.right, c.units.bottom);
    const RECT got = ClientRectIn(window, control);
    if (c.id == IDC_STATIC_SLOGAN || c.id == IDC_LINK_SITE) {
      // The footer's texts get at least the room the template gives them (TheFooterIsNeverCut).
      EXPECT_EQ(got.top, want.top) << c.id;
      EXPECT_GE(got.left, want.left) << c.id;
      EXPECT_GE(got.right - got.left, want.right - want.left) << c.id;
    } else {
      EXPECT_TRUE(SameRect(got, want)) << c.id << ": " << Describe(got) << " " << Describe(want);
    }
    EXPECT_EQ(TextOf(control), c.text) << c.id;
  }
  EXPECT_FALSE(IsWindowEnabled(dlg.item(IDC_EDIT_PATH)));  // a display only
  EXPECT_EQ(SendDlgItemMessageW(window, IDC_PROGRESS, PBM_GETPOS, 0, 0), 0);
  // The start-up check locked and unlocked the window: "一键安装字体" is usable from now on.
  ExpectAllEnabled();

  HWND list = dlg.item(IDC_LIST_FONTS);
  const DWORD extended = ListView_GetExtendedListViewStyle(list);
  EXPECT_TRUE(extended & LVS_EX_GRIDLINES);
  EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
  const LONG_PTR listStyle = GetWindowLongPtrW(list, GWL_STYLE);
  EXPECT_EQ(listStyle & LVS_TYPEMASK, LVS_REPORT);
  EXPECT_TRUE(listStyle & LVS_SINGLESEL);
  RECT listClient;
  GetClientRect(list, &listClient);
  const tessaro::FontListColumns columns = tessaro::ComputeFontListColumns(listClient.right);
  const char* headers[] = {"缺失字体名", "下载状态", "点击预览", "点击下载"};
  for (int column = 0; column < 4; ++column) {
    wchar_t text[64] = {};
    LVCOLUMNW format{};
    format.mask = LVCF_TEXT | LVCF_FMT;
    format.pszText = text;
    format.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list, column, &format));
    EXPECT_EQ(Utf8(text), headers[column]);
    EXPECT_EQ(format.fmt & LVCFMT_JUSTIFYMASK,
              column == 0 ? format.fmt & LVCFMT_JUSTIFYMASK : LVCFMT_CENTER);
    EXPECT_EQ(ListView_GetColumnWidth(list, column), columns.widths[column]) << column;
  }
  EXPECT_EQ(dlg.previewColStart(), columns.previewStart);
  EXPECT_EQ(dlg.downloadColStart(), columns.downloadStart);

  EXPECT_EQ(service_.requests(), Lines{"/s/api/PCDownloadFonts.ashx?u=1.30"});
  EXPECT_TRUE(answerer_.shown.empty());
  EXPECT_NE(Log().find("OnInitDialog success"), std::string::npos);
}

TEST_F(MainWindowTest, DroppedPdfFillsTheRowsFromTheService) {
  OpenWindow();
  const std::string sample = Sample();
  // Only the first of several dropped files is analysed.
  Drop({sample, Document("b.pdf", {"Other"}), work_ / "notes.txt"});
  WaitForWorker();
  EXPECT_EQ(Rows(), kSampleRows);
  EXPECT_EQ(service_.fontQueries(),
            Lines{"/s/api/PCDownloadFonts.ashx?q=TessaroSans-Bold,方正兰亭黑,微软雅黑,"});
  EXPECT_EQ(TextOf(window().item(IDC_EDIT_PATH)), Utf8(tessaro::FromAnsi(sample)));
  EXPECT_EQ(window().session().m_filePath, sample);
  EXPECT_EQ(window().session().m_downloadPaths.size(), 3u);
  EXPECT_EQ(window().rowNames(), (Lines{"TessaroSans-Bold", Ansi("方正兰亭黑"), Ansi("微软雅黑")}));
  EXPECT_EQ(SendMessageW(window().item(IDC_PROGRESS), PBM_GETPOS, 0, 0), 0);
  EXPECT_TRUE(answerer_.shown.empty());
  ExpectAllEnabled();
  SaveScreenshot(window().hwnd(), "main_window_chinese_rows.png");
}

// Records the enabling and disabling of the locked controls, as "1001 0", "1002 1", ...
class EnablingRecorder {
 public:
  explicit EnablingRecorder(tessaro::CTessaroPcDlg& window) {
    for (int id : kLockedControls) {
      HWND control = window.item(id);
      SetWindowSubclass(control, Proc, static_cast<UINT_PTR>(id),
                        reinterpret_cast<DWORD_PTR>(this));
      controls_.push_back({control, id});
    }
  }
  ~EnablingRecorder() {
    for (const auto& [control, id] : controls_) {
      RemoveWindowSubclass(control, Proc, static_cast<UINT_PTR>(id));
    }
  }
  Lines changes;

 private:
  static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                               DWORD_PTR self) {
    if (message == WM_ENABLE) {
      reinterpret_cast<EnablingRecorder*>(self)->changes.push_back(std::to_string(id) +
                                                                   (wParam ? " 1" : " 0"));
    }
    return DefSubclassProc(window, message, wParam, lParam);
  }
  std::vector<std::pair<HWND, int>> controls_;
};

TEST_F(MainWindowTest, AWorkflowLocksTheControlsInTheDesignedOrder) {
  OpenWindow();
  EnablingRecorder recorder(window());
  Analyse(Sample());
  EXPECT_EQ(recorder.changes, (Lines{"1001 0", "1003 0", "1004 0", "1005 0", "1002 0", "1001 1",
                                     "1003 1", "1004 1", "1005 1", "1002 1"}));
}

TEST_F(MainWindowTest, ADocumentDroppedOrTheWindowClosedWhileAWorkflowRunsIsRefused) {
  OpenWindow();
  service_.CloseGate();
  const std::string sample = Sample();
  Drop({sample});
  ASSERT_TRUE(RunUntilSignalled(service_.queried()));
  for (int id : kLockedControls) EXPECT_FALSE(IsWindowEnabled(window().item(id))) << id;

  Drop({Document("second.pdf", {"Second"})});
  PostMessageW(window().hwnd(), WM_CLOSE, 0, 0);                                   // the close box
  PostMessageW(window().hwnd(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);  // Escape
  PostMessageW(window().hwnd(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);      // Enter
  Settle();
  EXPECT_NE(window().hwnd(), nullptr);
  EXPECT_TRUE(IsWindowVisible(window().hwnd()));
  EXPECT_EQ(Messages(), Lines(4, "请等待当前操作完成"));
  for (const Shown& shown : answerer_.shown) {
    EXPECT_EQ(shown.owner, window().hwnd());
    EXPECT_EQ(shown.caption, caption_);
  }

  service_.OpenGate();
  WaitForWorker();
  EXPECT_EQ(Rows(), kSampleRows);
  EXPECT_EQ(window().session().m_filePath, sample);
  EXPECT_EQ(service_.fontQueries().size(), 1u);
  ExpectAllEnabled();

  // Idle, the window closes.
  PostMessageW(window().hwnd(), WM_CLOSE, 0, 0);
  Settle();
  EXPECT_EQ(window().hwnd(), nullptr);
  EXPECT_TRUE(window().closed());
  EXPECT_EQ(Messages().size(), 4u);
}

// A click acts on the column under the cursor as the list draws it (the design measured the
// cursor from the window's edge, which moved every zone a few pixels left of its border).
TEST_F(MainWindowTest, ListClicksActOnTheColumnUnderTheCursor) {
  OpenWindow();
  Analyse(Sample());
  HWND list = window().item(IDC_LIST_FONTS);
  RECT cell{};
  ListView_GetItemRect(list, 2, &cell, LVIR_BOUNDS);  // 微软雅黑: not offered
  const int rowY = (cell.top + cell.bottom) / 2;
  const int preview = window().previewColStart();
  const int download = window().downloadColStart();
  enum Effect { kNothing, kPreview, kRefusal };
  const struct {
    int x;
    Effect effect;
  } cases[] = {
      {preview - 2, kNothing},  // inside the status column
      {preview, kNothing},      // the border itself
      {preview + 2, kPreview},
      {download - 2, kPreview},  // still the preview column: no download may start here
      {download, kNothing},
      {download + 2, kRefusal},  // the row offers no download
  };
  std::size_t previews = 0;
  for (const auto& c : cases) {
    answerer_.shown.clear();
    ClickList({c.x, rowY});
    EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2) << c.x;
    std::size_t made = 0;
    const std::string log = Log();
    for (std::size_t at = log.find("CreatePDlg begin"); at != std::string::npos;
         at = log.find("CreatePDlg begin", at + 1)) {
      ++made;
    }
    EXPECT_EQ(made, previews + (c.effect == kPreview ? 1 : 0)) << c.x;
    previews = made;
    EXPECT_EQ(Messages(), c.effect == kRefusal ? Lines{"此正版字体不提供免费下载"} : Lines{})
        << c.x;
    EXPECT_EQ(Rows(), kSampleRows) << c.x;
  }
  // The empty area below the rows acts on the selected row too.
  answerer_.shown.clear();
  RECT client;
  GetClientRect(list, &client);
  ClickList({download + 2, client.bottom - 3});
  EXPECT_EQ(Messages(), Lines{"此正版字体不提供免费下载"});
  EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_SELECTED), 2);
}

TEST_F(MainWindowTest, TheOpenFileDialogOffersTheDocumentKindsAndOpensOne) {
  OpenWindow();
  const std::string sample = Sample();
  // Cancelled: nothing happens, and nothing is said.
  std::string filter;
  answerer_.onFileDialog = [&](HWND dialog) {
    filter = TextOf(GetDlgItem(dialog, cmb1));
    PressLater(dialog, IDCANCEL);
  };
  Click(IDC_BUTTON_OPEN);
  EXPECT_EQ(filter, "打开文件 (*.ai;*.psd;*.psb;*.cdr;*.pdf)");
  EXPECT_TRUE(answerer_.shown.empty());
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(service_.fontQueries().empty());

  // A document chosen is analysed.
  answerer_.onFileDialog = [&](HWND dialog) {
    HWND name =
        GetDlgItem(dialog, cmb13) != nullptr ? GetDlgItem(dialog, cmb13) : GetDlgItem(dialog, edt1);
    SetWindowTextW(name, tessaro::FromAnsi(sample).c_str());
    PressLater(dialog, IDOK);
  };
  Click(IDC_BUTTON_OPEN);
  WaitForWorker();
  EXPECT_EQ(Rows(), kSampleRows);
  EXPECT_EQ(window().session().m_filePath, sample);
  EXPECT_TRUE(answerer_.shown.empty());
  // The next dialog starts in the last document's folder.
  EXPECT_EQ(window().OpenFileFolder(), work_.path());
}

// Regression: the link and the slogan had the template's fixed widths, so a longer host name (or
// other fonts) cut them. They get the room their texts need, and the window grows for them.
TEST_F(MainWindowTest, TheFooterIsNeverCut) {
  const struct {
    std::string host;
    bool wider;
  } cases[] = {
      {service_.host(), false},
      // Nobody answers there: the start-up check says so, which the test answers.
      {platform_contract::UnreachableHost() + ".fonts.a-long-name-for-the-tessaro-service.example",
       true},
  };
  for (const auto& c : cases) {
    tessaro_test::ScopedEnv host("TESSARO_SERVICE_HOST", c.host);
    tessaro::CTessaroPcDlg& dlg = OpenWindow();
    HWND window = dlg.hwnd();
    ASSERT_NE(window, nullptr) << c.host;
    HWND link = dlg.item(IDC_LINK_SITE);
    HWND slogan = dlg.item(IDC_STATIC_SLOGAN);
    const RECT linkRect = ClientRectIn(window, link);
    const RECT sloganRect = ClientRectIn(window, slogan);
    const RECT about = ClientRectIn(window, dlg.item(IDC_BUTTON_ABOUT));
    const RECT update = ClientRectIn(window, dlg.item(IDC_BUTTON_UPDATE));
    // The texts fit whole, in the controls' own fonts.
    EXPECT_GE(linkRect.right - linkRect.left, TextWidth(link, "官网: " + c.host)) << c.host;
    EXPECT_GE(sloganRect.right - sloganRect.left, TextWidth(slogan, TextOf(slogan))) << c.host;
    EXPECT_LE(linkRect.right, sloganRect.left) << c.host;
    EXPECT_LE(sloganRect.right, about.left) << c.host;
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right > Units(window, 0, 0, 258, 178).right, c.wider) << c.host;
    // The buttons keep their places at the right edge, the list its margins.
    EXPECT_EQ(client.right - update.right,
              Units(window, 0, 0, 258, 178).right - Units(window, 212, 161, 41, 15).right)
        << c.host;
    EXPECT_EQ(ClientRectIn(window, dlg.item(IDC_LIST_FONTS)).right,
              ClientRectIn(window, dlg.item(IDC_PROGRESS)).right)
        << c.host;
    if (c.wider) SaveScreenshot(window, "main_window_long_host.png");
  }
}

TEST_F(MainWindowTest, StartCleansTheUpdateFolderAndReportsAMissingEngine) {
  tessaro_test::TempDir noEngine;
  tessaro_test::WriteFile(work_ / "update/setup.exe", "old installer");
  tessaro_test::WriteFile(work_ / "update/data/more.bin", "old data");
  tessaro::CTessaroPcDlg& dlg = OpenWindow(noEngine.path());
  ASSERT_EQ(answerer_.shown.size(), 1u);
  EXPECT_EQ(answerer_.shown[0].text, "Corvid.dll加载失败");
  EXPECT_EQ(answerer_.shown[0].owner, nullptr);  // before the window exists
  EXPECT_EQ(answerer_.shown[0].caption, caption_);
  EXPECT_TRUE(IsWindowVisible(dlg.hwnd()));  // the window opens all the same
  EXPECT_FALSE(fs::exists(work_ / "update"));
  EXPECT_NE(Log().find("Corvid.dll加载失败"), std::string::npos) << Log();
}

// Regression: without the engine, an analysis gave one row with an empty name. It is refused with
// the load message, and so is the batch.
TEST_F(MainWindowTest, WithoutTheEngineNothingIsAnalysed) {
  tessaro_test::TempDir noEngine;
  OpenWindow(noEngine.path());
  answerer_.shown.clear();
  Analyse(Sample());
  EXPECT_EQ(Messages(), Lines{"Corvid.dll加载失败"});
  EXPECT_EQ(answerer_.shown.at(0).owner, window().hwnd());
  EXPECT_TRUE(Rows().empty());
  EXPECT_TRUE(service_.fontQueries().empty());
  Click(IDC_BUTTON_INSTALL_ALL);
  WaitForWorker();
  EXPECT_EQ(Messages(), Lines(2, "Corvid.dll加载失败"));
  ExpectAllEnabled();
}

TEST_F(MainWindowTest, AnUnreachableServiceIsReportedBeforeTheWindowOpens) {
  const std::string host = platform_contract::UnreachableHost();
  tessaro_test::ScopedEnv offline("TESSARO_SERVICE_HOST", host);
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  ASSERT_EQ(answerer_.shown.size(), 1u);
  EXPECT_EQ(answerer_.shown[0].text, "无法访问 Tessaro网 (" + host + ")");
  EXPECT_EQ(answerer_.shown[0].owner, dlg.hwnd());
  EXPECT_FALSE(answerer_.shown[0].ownerVisible);  // said before the window appears
  EXPECT_TRUE(IsWindowVisible(dlg.hwnd()));
  ExpectAllEnabled();

  // The fonts are listed all the same, without the service's offers.
  answerer_.shown.clear();
  Analyse(Sample());
  EXPECT_EQ(Messages(), Lines{"无法访问 Tessaro网 (" + host + ")"});
  EXPECT_EQ(Rows(), (Table{{"TessaroSans-Bold", "无法查询", "预览", ""},
                           {"方正兰亭黑", "无法查询", "预览", ""},
                           {"微软雅黑", "无法查询", "预览", ""}}));
  answerer_.shown.clear();
  ClickCell(0, tessaro::kDownloadColumn);
  EXPECT_EQ(Messages(), Lines{"无法查询下载地址"});
}

TEST_F(MainWindowTest, TheLinkOpensTheSiteInTheBrowser) {
  UrlRecorder browser;
  tessaro::CTessaroPcDlg& dlg = OpenWindow();
  HWND link = dlg.item(IDC_LINK_SITE);
  // A click on the host name, right of "官网: ".
  RECT area;
  GetClientRect(link, &area);
  const LPARAM at = MAKELPARAM(TextWidth(link, "官网: ") + 6, area.bottom / 2);
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(link, WM_LBUTTONUP, 0, at);
  Settle();
  ASSERT_TRUE(RunUntilSignalled(browser.recorded()));
  EXPECT_EQ(browser.urls(), Lines{"http://" + service_.host()});
}

TEST(WorkflowText, NamesInAnsiAndTheWorkflowsOwnTextsInUtf8) {
  EXPECT_EQ(tessaro::FromWorkflowText("下载安装完成"), L"下载安装完成");
  // A batch's line about one font: the font in ANSI text (GBK here), the reason in UTF-8.
  EXPECT_EQ(tessaro::FromWorkflowText("下载安装失败\n" + Ansi("微软雅黑") + ": 下载失败: HTTP 404"),
            L"下载安装失败\n微软雅黑: 下载失败: HTTP 404");
  EXPECT_EQ(tessaro::FromWorkflowText(Ansi("方正兰亭黑")), L"方正兰亭黑");
  EXPECT_EQ(tessaro::ToAnsi(L"微软雅黑"), Ansi("微软雅黑"));
  EXPECT_EQ(tessaro::ToAnsi(L"\u0e01"), std::nullopt);  // Thai: no GBK form
}

}  // namespace
}  // namespace tessaro_win32_test
