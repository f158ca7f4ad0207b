#include "client/ui/win32/main_window.h"

#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "client/core/diagnostics.h"
#include "client/core/update_folder.h"
#include "client/ui/win32/resource.h"
#include "client/ui/win32/web_browser.h"
#include "client/ui/win32/wide_text.h"
#include "client/workflow/analysis.h"
#include "client/workflow/batch.h"
#include "client/workflow/self_update.h"
#include "client/workflow/service_protocol.h"
#include "platform/client_folders.h"

namespace tessaro {
namespace {

const wchar_t kOpenFileFilterName[] = L"打开文件 (*.ai;*.psd;*.psb;*.cdr;*.pdf)";
const wchar_t kOpenFileFilterPatterns[] = L"*.ai;*.psd;*.psb;*.cdr;*.pdf";
const wchar_t kHint[] = L"请打开或拖入cdr、psd、psb、ai、pdf格式的稿件";

// The window's own messages. A worker's call: lParam points to the std::function to run.
constexpr UINT kRunOnWindowThread = WM_APP + 1;
// The worker has finished its workflow.
constexpr UINT kWorkerEnded = WM_APP + 2;
// Install the previewed font whose download link the preview page followed.
constexpr UINT kInstallPreviewed = WM_APP + 3;

// The message that carries the data of a drop from Explorer to a window with other rights.
constexpr UINT kCopyGlobalData = 0x0049;

// The working folder, made when it is not there yet; the current directory when it cannot be.
std::string MakeWorkFolder(const std::string& folder) {
  std::error_code error;
  if (!folder.empty() && (std::filesystem::create_directories(folder, error) || !error)) {
    return folder;
  }
  return GetCurrentDir();
}

std::wstring WindowText(HWND window) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
  text.resize(
      static_cast<std::size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
  return text;
}

// The width and height in pixels of `text` in the font of `window`.
SIZE TextSize(HWND window, const std::wstring& text) {
  SIZE size{0, 0};
  HDC dc = GetDC(window);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0)));
  GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(window, dc);
  return size;
}

RECT RectInParent(HWND window) {
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

void SetRect(HWND window, const RECT& rect) {
  SetWindowPos(window, nullptr, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

// `encoded` with its %XX escapes decoded.
std::string PercentDecoded(const std::string& encoded) {
  std::string decoded;
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    auto hex = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                    : -1;
    };
    if (encoded[i] == '%' && i + 2 < encoded.size() && hex(encoded[i + 1]) >= 0 &&
        hex(encoded[i + 2]) >= 0) {
      decoded.push_back(static_cast<char>(hex(encoded[i + 1]) * 16 + hex(encoded[i + 2])));
      i += 2;
    } else {
      decoded.push_back(encoded[i]);
    }
  }
  return decoded;
}

}  // namespace

ClientFolders DefaultClientFolders() {
  return {platform::ClientWorkFolder(), platform::EngineFolder()};
}

void OpenAddress(const std::wstring& address) {
  ShellExecuteW(nullptr, L"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

CTessaroPcDlg::CTessaroPcDlg(ClientFolders folders)
    : m_session(*this, ConfiguredServiceHost(), MakeWorkFolder(folders.work)),
      m_threadId(GetCurrentThreadId()) {
  m_hIcon =
      static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME),
                                    IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
  SetLogFolder(m_session.m_workDir);
  m_session.engine().LoadEngine(
      folders.engine,
      [this](const std::string& text) {
        // The window does not exist for the user yet: the message has no owner.
        MessageBoxW(nullptr, FromWorkflowText(text).c_str(),
                    FromWorkflowText(m_session.caption()).c_str(), MB_OK);
      },
      m_session.m_workDir);
  CleanUpdateFolder(m_session.m_workDir);
}

CTessaroPcDlg::~CTessaroPcDlg() {
  WaitForWorker();
  if (HWND window = hwnd()) DestroyWindow(window);
  m_previewDlg.Destroy();
  m_aboutDlg.Destroy();
  m_session.engine().Unload();
}

bool CTessaroPcDlg::Create() {
  CExplorer1::RegisterWindowClass();
  m_initializing = true;
  HWND window =
      CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TESSAROPC_DIALOG), nullptr,
                         DialogProc, reinterpret_cast<LPARAM>(this));
  m_initializing = false;
  if (window == nullptr) {
    WriteLog("CTessaroPcDlg : CreateDialog : " + std::to_string(GetLastError()));
    return false;
  }
  if (m_closed) {
    // The start-up check started an update's installer: the window is never shown.
    DestroyWindow(window);
    return false;
  }
  return true;
}

int CTessaroPcDlg::DoModal() {
  if (!Create()) return IDCANCEL;
  ShowWindow(hwnd(), SW_SHOW);
  MSG message;
  while (hwnd() != nullptr && GetMessageW(&message, nullptr, 0, 0) > 0) RunMessage(message);
  return IDCANCEL;
}

void CTessaroPcDlg::RunMessage(MSG& message) {
  for (HWND dialog : {m_previewDlg.hwnd(), m_aboutDlg.hwnd(), hwnd()}) {
    if (dialog != nullptr && IsDialogMessageW(dialog, &message)) return;
  }
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

INT_PTR CALLBACK CTessaroPcDlg::DialogProc(HWND window, UINT message, WPARAM wParam,
                                           LPARAM lParam) {
  auto* self = reinterpret_cast<CTessaroPcDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  if (message == WM_INITDIALOG) {
    self = reinterpret_cast<CTessaroPcDlg*>(lParam);
    SetWindowLongPtrW(window, DWLP_USER, lParam);
    self->m_hWnd = window;
  }
  return self != nullptr ? self->HandleMessage(message, wParam, lParam) : FALSE;
}

INT_PTR CTessaroPcDlg::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  HWND window = hwnd();
  switch (message) {
    case WM_INITDIALOG:
      OnInitDialog();
      return TRUE;
    case kRunOnWindowThread:
      (*reinterpret_cast<const std::function<void()>*>(lParam))();
      return TRUE;
    case kWorkerEnded:
      if (m_workersRunning > 0) --m_workersRunning;
      return TRUE;
    case kInstallPreviewed: {
      const std::string font = std::move(m_pendingInstall);
      m_pendingInstall.clear();
      if (RefuseWhileBusy()) return TRUE;
      const auto& names = m_session.m_fontNames;
      const auto found = std::find(names.begin(), names.end(), font);
      if (found == names.end()) {
        // The font left the list: installed meanwhile, or another document was opened.
        m_session.Message("这个字体不在缺失字体列表中");
      } else {
        InstallRow(static_cast<int>(found - names.begin()));
      }
      return TRUE;
    }
    case WM_DROPFILES:
      OnDropFiles(reinterpret_cast<HDROP>(wParam));
      return TRUE;
    case WM_PAINT:
      if (!IsIconic(window)) return FALSE;
      OnPaint();
      return TRUE;
    case WM_QUERYDRAGICON:
      return reinterpret_cast<INT_PTR>(m_hIcon);
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_BUTTON_OPEN:
          OnBnClickedOpen();
          return TRUE;
        case IDC_BUTTON_ABOUT:
          OnBnClickedAbout();
          return TRUE;
        case IDC_BUTTON_UPDATE:
          OnBnClickedUpdate();
          return TRUE;
        case IDC_BUTTON_INSTALL_ALL:
          OnBnClickedInstallAll();
          return TRUE;
        case IDOK:
        case IDCANCEL:
          OnClose();
          return TRUE;
        default:
          return FALSE;
      }
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (header->idFrom == IDC_LIST_FONTS && header->code == NM_CLICK) {
        OnClickFontList(reinterpret_cast<const NMITEMACTIVATE*>(lParam)->ptAction);
      } else if (header->idFrom == IDC_LINK_SITE &&
                 (header->code == NM_CLICK || header->code == NM_RETURN)) {
        OnClickLink(reinterpret_cast<const NMLINK*>(lParam)->item.szUrl);
      } else {
        return FALSE;
      }
      SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
      return TRUE;
    }
    case WM_DESTROY:
      RemoveWindowSubclass(m_list, ListProc, 0);
      if (HBITMAP image = reinterpret_cast<HBITMAP>(
              SendDlgItemMessageW(window, IDC_BUTTON_OPEN, BM_SETIMAGE, IMAGE_BITMAP, 0))) {
        DeleteObject(image);
      }
      m_hWnd = nullptr;
      m_list = m_progress = m_edit = nullptr;
      // Wakes the loop of DoModal, which may be waiting inside a message sent to the window.
      PostThreadMessageW(m_threadId, WM_NULL, 0, 0);
      return FALSE;
    default:
      return FALSE;
  }
}

void CTessaroPcDlg::OnInitDialog() {
  HWND window = hwnd();
  m_list = GetDlgItem(window, IDC_LIST_FONTS);
  m_progress = GetDlgItem(window, IDC_PROGRESS);
  m_edit = GetDlgItem(window, IDC_EDIT_PATH);

  // The program runs with administrator rights: Explorer, without them, may still drop files.
  using MessageFilter = BOOL(WINAPI*)(UINT, DWORD);
  if (HMODULE user32 = LoadLibraryW(L"user32.dll")) {
    if (auto filter = reinterpret_cast<MessageFilter>(
            reinterpret_cast<void*>(GetProcAddress(user32, "ChangeWindowMessageFilter")))) {
      filter(WM_DROPFILES, 1);  // MSGFLT_ADD
      filter(kCopyGlobalData, 1);
    }
    FreeLibrary(user32);
  }
  DragAcceptFiles(window, TRUE);
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
  HICON small = static_cast<HICON>(
      LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_MAINFRAME), IMAGE_ICON,
                 GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small ? small : m_hIcon));

  const std::wstring host = FromUtf8(m_session.serviceHost());
  // The link's text is the host; its address the service's base address, which a browser opens.
  SetDlgItemTextW(window, IDC_LINK_SITE,
                  (L"官网: <a href=\"http://" + host + L"\">" + host + L"</a>").c_str());
  LayOutFooter();

  const DWORD listStyles = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
  ListView_SetExtendedListViewStyleEx(m_list, listStyles, listStyles);
  const wchar_t* headers[] = {L"缺失字体名", L"下载状态", L"点击预览", L"点击下载"};
  for (int column = 0; column < 4; ++column) {
    LVCOLUMNW format{};
    format.mask = LVCF_FMT | LVCF_TEXT | LVCF_WIDTH;
    format.fmt = LVCFMT_CENTER;
    format.pszText = const_cast<wchar_t*>(headers[column]);
    format.cx = 10;
    ListView_InsertColumn(m_list, column, &format);
  }
  // There are no rows yet, so no scroll bar takes from the client width.
  RECT client;
  GetClientRect(m_list, &client);
  const FontListColumns columns = ComputeFontListColumns(client.right - client.left);
  for (int column = 0; column < 4; ++column) {
    ListView_SetColumnWidth(m_list, column, columns.widths[column]);
  }
  m_previewColStart = columns.previewStart;
  m_downloadColStart = columns.downloadStart;
  SetWindowSubclass(m_list, ListProc, 0, reinterpret_cast<DWORD_PTR>(this));

  // Grey (192, 192, 192) becomes the button's face.
  HANDLE image = LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_OPEN_FILE),
                            IMAGE_BITMAP, 0, 0, LR_LOADMAP3DCOLORS);
  if (image != nullptr) {
    SendDlgItemMessageW(window, IDC_BUTTON_OPEN, BM_SETIMAGE, IMAGE_BITMAP,
                        reinterpret_cast<LPARAM>(image));
  }
  SetWindowTextW(m_edit, kHint);

  // Before the window is shown: silent when current, asks before updating.
  if (m_session.BeginWorkflow()) {
    OnBnClickedButton3(m_session, true);
    m_session.EndWorkflow();
  }
  WriteLog("OnInitDialog success");
}

void CTessaroPcDlg::LayOutFooter() {
  // The template's rectangles hold the texts for the fonts it was made with; with other fonts, or
  // a longer host name, the link and the slogan get the width of their texts, the slogan stays
  // right of the link, and the window grows when the footer needs more room than it has. The
  // controls right of the footer (and at the top right) move with the window's right edge; the
  // list, the field and the progress bar grow with it.
  HWND window = hwnd();
  HWND link = GetDlgItem(window, IDC_LINK_SITE);
  HWND slogan = GetDlgItem(window, IDC_STATIC_SLOGAN);
  RECT unit{0, 0, 1, 0};
  MapDialogRect(window, &unit);
  const int gap = unit.right;
  const std::wstring host = FromUtf8(m_session.serviceHost());
  // The link control draws its text with a small margin on either side.
  const SIZE linkText = TextSize(link, L"官网: " + host);
  const SIZE sloganText = TextSize(slogan, WindowText(slogan));
  RECT linkRect = RectInParent(link);
  RECT sloganRect = RectInParent(slogan);
  linkRect.right = std::max<LONG>(linkRect.right, linkRect.left + linkText.cx + 4);
  linkRect.bottom = std::max<LONG>(linkRect.bottom, linkRect.top + linkText.cy);
  const LONG sloganX = std::max<LONG>(sloganRect.left, linkRect.right + gap);
  const LONG sloganWidth = std::max<LONG>(sloganRect.right - sloganRect.left, sloganText.cx + 2);
  sloganRect = {sloganX, sloganRect.top, sloganX + sloganWidth,
                std::max<LONG>(sloganRect.bottom, sloganRect.top + sloganText.cy)};
  SetRect(link, linkRect);
  SetRect(slogan, sloganRect);
  const RECT about = RectInParent(GetDlgItem(window, IDC_BUTTON_ABOUT));
  const LONG extra = std::max<LONG>(0, sloganRect.right + gap - about.left);
  if (extra == 0) return;
  RECT frame;
  GetWindowRect(window, &frame);
  SetWindowPos(window, nullptr, 0, 0, frame.right - frame.left + extra, frame.bottom - frame.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  for (int id : {IDC_BUTTON_OPEN, IDC_BUTTON_INSTALL_ALL, IDC_BUTTON_ABOUT, IDC_BUTTON_UPDATE}) {
    RECT rect = RectInParent(GetDlgItem(window, id));
    OffsetRect(&rect, extra, 0);
    SetRect(GetDlgItem(window, id), rect);
  }
  for (int id : {IDC_LIST_FONTS, IDC_EDIT_PATH, IDC_PROGRESS}) {
    RECT rect = RectInParent(GetDlgItem(window, id));
    rect.right += extra;
    SetRect(GetDlgItem(window, id), rect);
  }
}

void CTessaroPcDlg::OnPaint() {
  // Minimised: the icon, centred in the client area.
  HWND window = hwnd();
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SendMessageW(window, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
  const int iconWidth = GetSystemMetrics(SM_CXICON);
  const int iconHeight = GetSystemMetrics(SM_CYICON);
  RECT client;
  GetClientRect(window, &client);
  DrawIcon(dc, (client.right - iconWidth + 1) / 2, (client.bottom - iconHeight + 1) / 2, m_hIcon);
  EndPaint(window, &paint);
}

// --- Handlers ---------------------------------------------------------------------------------

bool CTessaroPcDlg::RefuseWhileBusy() {
  if (!m_session.busy()) return false;
  m_session.Message(kBusyMessage);
  return true;
}

void CTessaroPcDlg::StartWorkflow(std::function<void()> work) {
  if (RefuseWhileBusy()) return;
  ++m_workersRunning;
  const bool started = m_session.StartWorker([this, work = std::move(work)] {
    work();
    PostMessageW(hwnd(), kWorkerEnded, 0, 0);
  });
  if (!started) {
    --m_workersRunning;
    m_session.Message(kBusyMessage);
  }
}

void CTessaroPcDlg::StartAnalysis(const std::string& path) {
  if (RefuseWhileBusy()) return;
  m_session.m_filePath = path;
  StartWorkflow([this] { OnSelectFile(m_session); });
}

void CTessaroPcDlg::OnDropFiles(HDROP drop) {
  const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
  std::wstring first;
  if (count > 0) {
    const UINT length = DragQueryFileW(drop, 0, nullptr, 0);
    first.resize(length + 1);
    first.resize(DragQueryFileW(drop, 0, first.data(), length + 1));
  }
  DragFinish(drop);
  if (count == 0 || RefuseWhileBusy()) return;
  // Only the first file is analysed, whatever its kind: the engine decides what it finds.
  std::optional<std::string> path = ToAnsi(first);
  if (!path || path->empty()) {
    m_session.Message("打开文件出错");
    return;
  }
  StartAnalysis(*path);
}

std::string CTessaroPcDlg::OpenFileFolder() const {
  if (!m_session.m_filePath.empty()) {
    const std::filesystem::path folder = std::filesystem::path(m_session.m_filePath).parent_path();
    std::error_code error;
    if (!folder.empty() && std::filesystem::is_directory(folder, error)) return folder.string();
  }
  return GetCurrentDir();
}

DocumentChoice CTessaroPcDlg::SelectDocument(std::string& path) {
  std::wstring filter = kOpenFileFilterName;
  filter.push_back(L'\0');
  filter += kOpenFileFilterPatterns;
  filter.push_back(L'\0');  // c_str() adds the second NUL that ends the list
  const std::wstring folder = FromAnsi(OpenFileFolder());
  std::wstring file(32768, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd();
  dialog.lpstrFilter = filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = static_cast<DWORD>(file.size());
  dialog.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
  dialog.Flags =
      OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLESIZING | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) {
    return CommDlgExtendedError() == 0 ? DocumentChoice::kCancelled : DocumentChoice::kFailed;
  }
  file.resize(wcslen(file.c_str()));
  // The engine takes ANSI paths: a path it cannot be given is no document it can read.
  std::optional<std::string> narrow = ToAnsi(file);
  if (!narrow || narrow->empty()) return DocumentChoice::kFailed;
  path = *narrow;
  return DocumentChoice::kChosen;
}

void CTessaroPcDlg::OnBnClickedOpen() {
  if (RefuseWhileBusy()) return;
  std::string path;
  switch (SelectDocument(path)) {
    case DocumentChoice::kChosen:
      StartAnalysis(path);
      break;
    case DocumentChoice::kFailed:
      m_session.Message("打开文件出错");
      break;
    case DocumentChoice::kCancelled:  // not an error
      break;
  }
}

void CTessaroPcDlg::OnBnClickedAbout() {
  m_aboutDlg.onClickLink = [this](const std::wstring& address) { OnClickLink(address); };
  if (m_aboutDlg.Create(hwnd(), m_session.serviceHost())) ShowWindow(m_aboutDlg.hwnd(), SW_SHOW);
}

void CTessaroPcDlg::OnBnClickedUpdate() {
  StartWorkflow([this] { UpdateCheckThread(m_session); });
}

void CTessaroPcDlg::OnBnClickedInstallAll() {
  StartWorkflow([this] { InstallAllThread(m_session); });
}

LRESULT CALLBACK CTessaroPcDlg::ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR, DWORD_PTR data) {
  if (message == WM_LBUTTONDOWN) {
    // A press on the empty area keeps the selection (the list would clear it): the click then
    // acts on the selected row.
    LVHITTESTINFO hit{};
    hit.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (ListView_HitTest(list, &hit) < 0) {
      SetFocus(list);
      reinterpret_cast<CTessaroPcDlg*>(data)->OnClickFontList(hit.pt);
      return 0;
    }
  }
  return DefSubclassProc(list, message, wParam, lParam);
}

void CTessaroPcDlg::OnClickFontList(POINT point) {
  if (m_list == nullptr || ListView_GetItemCount(m_list) == 0) return;
  // Single selection: at most one row acts.
  const int row = ListView_GetNextItem(m_list, -1, LVNI_SELECTED);
  if (row < 0 || static_cast<std::size_t>(row) >= m_rowNames.size()) return;
  // The column under the cursor, from the list's own left edge and its columns as drawn now (the
  // design measured from the window's edge, which moved every zone left of its border).
  const int x = point.x + GetScrollPos(m_list, SB_HORZ);
  m_previewColStart = ListView_GetColumnWidth(m_list, 0) + ListView_GetColumnWidth(m_list, 1);
  m_downloadColStart = m_previewColStart + ListView_GetColumnWidth(m_list, 2);
  if (m_previewColStart < x && x < m_downloadColStart) {
    const std::string name = m_rowNames[row];
    const std::string address = PreviewAddress(name, m_session);
    if (address.empty()) {
      m_session.Message(kPreviewNameTooLong);
    } else if (CreatePDlg()) {
      m_previewDlg.SetPreviewedFont(name);
      m_previewDlg.Navigate(address);
    } else {
      // No browser control here: the default browser shows the page instead of an empty window.
      OpenAddress(FromUtf8(address));
    }
  } else if (x > m_downloadColStart) {
    InstallRow(row);
  }
}

void CTessaroPcDlg::InstallRow(int row) { InstallClickedRow(m_session, row); }

bool CTessaroPcDlg::OnPreviewNavigate(const std::string& font, const std::wstring& address) {
  // The page's download links lead to the font's download addresses: the font is installed the
  // client's way (downloaded, unpacked, installed, the list brought up to date) instead of the
  // browser fetching a file nobody would use.
  const std::string target = PercentDecoded(ToUtf8(address));
  for (const auto& entry : m_session.m_downloadPaths) {
    for (const std::string& download : entry) {
      if (ToUtf8(FromAnsi(download)) != target) continue;
      m_pendingInstall = font;
      // After the browser's event has returned: the install shows message boxes.
      PostMessageW(hwnd(), kInstallPreviewed, 0, 0);
      return true;
    }
  }
  return false;
}

void CTessaroPcDlg::OnClickLink(const std::wstring& address) { OpenAddress(address); }

bool CTessaroPcDlg::CreatePDlg() {
  WriteLog("CreatePDlg begin");
  GetWindowRect(hwnd(), &m_previewDlg.m_ownerRect);
  m_previewDlg.Destroy();
  m_previewDlg.onNavigate = [this](const std::string& font, const std::wstring& address) {
    return OnPreviewNavigate(font, address);
  };
  bool shown = m_previewDlg.Create(hwnd(), m_session.serviceHost());
  if (shown && !m_previewDlg.browserCreated()) {
    WriteLog("CreatePDlg : WebBrowser control not created");
    m_previewDlg.Destroy();
    shown = false;
  }
  if (shown) ShowWindow(m_previewDlg.hwnd(), SW_SHOW);
  WriteLog("CreatePDlg end");
  return shown;
}

void CTessaroPcDlg::OnClose() {
  // Not while a workflow runs, which still needs the window and the engine.
  if (RefuseWhileBusy()) return;
  m_closed = true;
  if (HWND window = hwnd()) DestroyWindow(window);
}

void CTessaroPcDlg::WaitForWorker() {
  while (m_workersRunning > 0 && hwnd() != nullptr) {
    // A worker may be waiting for the window thread to carry out one of its calls.
    MsgWaitForMultipleObjectsEx(0, nullptr, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) RunMessage(message);
  }
  // Without a window the worker's calls fail at once: it ends without the window thread.
  m_session.JoinWorker();
  m_workersRunning = 0;
}

// --- MainView ---------------------------------------------------------------------------------

void CTessaroPcDlg::OnWindowThread(const std::function<void()>& call) {
  if (GetCurrentThreadId() == m_threadId) {
    call();
  } else if (HWND window = hwnd()) {
    SendMessageW(window, kRunOnWindowThread, 0, reinterpret_cast<LPARAM>(&call));
  }
}

void CTessaroPcDlg::SetProgressRange(int low, int high) {
  OnWindowThread([&] { SendMessageW(m_progress, PBM_SETRANGE32, low, high); });
}

void CTessaroPcDlg::SetProgressStep(int step) {
  OnWindowThread([&] {
    m_progressStep = step;
    SendMessageW(m_progress, PBM_SETSTEP, step, 0);
  });
}

void CTessaroPcDlg::StepProgress() {
  // Not PBM_STEPIT: past the range's end it starts over from the beginning.
  OnWindowThread([&] {
    PBRANGE range{};
    SendMessageW(m_progress, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    const int position = static_cast<int>(SendMessageW(m_progress, PBM_GETPOS, 0, 0));
    SendMessageW(m_progress, PBM_SETPOS,
                 std::min(std::max(position, range.iLow) + m_progressStep, range.iHigh), 0);
  });
}

void CTessaroPcDlg::SetProgressPos(int position) {
  OnWindowThread([&] { SendMessageW(m_progress, PBM_SETPOS, position, 0); });
}

void CTessaroPcDlg::DeleteAllRows() {
  OnWindowThread([&] {
    ListView_DeleteAllItems(m_list);
    m_rowNames.clear();
  });
}

void CTessaroPcDlg::InsertRow(int row, const std::string& name) {
  OnWindowThread([&] {
    const int at = std::clamp(row, 0, static_cast<int>(m_rowNames.size()));
    std::wstring text = FromAnsi(name);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = at;
    item.pszText = text.data();
    if (ListView_InsertItem(m_list, &item) < 0) return;
    m_rowNames.insert(m_rowNames.begin() + at, name);
  });
}

void CTessaroPcDlg::SetCell(int row, int column, const std::string& text) {
  OnWindowThread([&] {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rowNames.size() || column < 0 ||
        column > kDownloadColumn) {
      return;
    }
    // Column 0 holds the font's name; the others the workflows' own texts.
    std::wstring wide = column == kNameColumn ? FromAnsi(text) : FromWorkflowText(text);
    if (column == kNameColumn) m_rowNames[row] = text;
    ListView_SetItemText(m_list, row, column, wide.data());
  });
}

void CTessaroPcDlg::DeleteRow(int row) {
  OnWindowThread([&] {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rowNames.size()) return;
    ListView_DeleteItem(m_list, row);
    m_rowNames.erase(m_rowNames.begin() + row);
  });
}

void CTessaroPcDlg::EnableControl(Control control, bool enable) {
  OnWindowThread([&] { EnableWindow(item(static_cast<int>(control)), enable ? TRUE : FALSE); });
}

void CTessaroPcDlg::SetEditText(const std::string& text) {
  OnWindowThread([&] { SetWindowTextW(m_edit, FromAnsi(text).c_str()); });
}

MainView::Answer CTessaroPcDlg::ShowMessage(const std::string& text, const std::string& caption,
                                            Buttons buttons) {
  Answer answer = Answer::kCancel;
  OnWindowThread([&] {
    const int pressed =
        MessageBoxW(hwnd(), FromWorkflowText(text).c_str(), FromWorkflowText(caption).c_str(),
                    buttons == Buttons::kOkCancel ? MB_OKCANCEL : MB_OK);
    answer = pressed == IDOK ? Answer::kOk : Answer::kCancel;
  });
  return answer;
}

void CTessaroPcDlg::CloseWindow() {
  OnWindowThread([&] {
    m_closed = true;
    // Not through OnClose: the update that closes the window is the workflow that runs. During
    // the start-up check the window is being made: Create destroys it afterwards.
    if (!m_initializing) {
      if (HWND window = hwnd()) DestroyWindow(window);
    }
  });
}

}  // namespace tessaro
