#include "client/ui/win32/about_window.h"

#include <commctrl.h>

#include "client/ui/win32/resource.h"
#include "client/ui/win32/web_browser.h"
#include "client/ui/win32/wide_text.h"
#include "client/workflow/session.h"

namespace tessaro {
namespace {

// The browser view of the page: below the template's controls, over the whole client area.
constexpr int kPageViewId = 1021;

}  // namespace

std::wstring AboutDlg::PageAddress() {
  wchar_t program[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, program, MAX_PATH);
  return L"res://" + std::wstring(program) + L"/" + std::to_wstring(IDR_ABOUT_PAGE);
}

bool AboutDlg::Create(HWND owner, const std::string& serviceHost) {
  Destroy();
  m_owner = owner;
  m_serviceHost = serviceHost;
  CExplorer1::RegisterWindowClass();
  m_hWnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_ABOUT_DIALOG), owner,
                              DialogProc, reinterpret_cast<LPARAM>(this));
  return m_hWnd != nullptr;
}

void AboutDlg::Destroy() {
  if (m_hWnd == nullptr) return;
  HWND window = m_hWnd;
  m_hWnd = nullptr;
  DestroyWindow(window);
}

CExplorer1* AboutDlg::page() const {
  return m_hWnd != nullptr ? CExplorer1::FromWindow(GetDlgItem(m_hWnd, kPageViewId)) : nullptr;
}

INT_PTR CALLBACK AboutDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<AboutDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<AboutDlg*>(lParam);
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      self->m_hWnd = window;
      self->OnInitDialog();
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
        ShowWindow(window, SW_HIDE);
        return TRUE;
      }
      break;
    case WM_NOTIFY: {
      const auto* header = reinterpret_cast<const NMHDR*>(lParam);
      if (self != nullptr && header->idFrom == IDC_ABOUT_LINK &&
          (header->code == NM_CLICK || header->code == NM_RETURN)) {
        const auto* link = reinterpret_cast<const NMLINK*>(lParam);
        if (self->onClickLink) self->onClickLink(link->item.szUrl);
        SetWindowLongPtrW(window, DWLP_MSGRESULT, 0);
        return TRUE;
      }
      break;
    }
    case WM_NCDESTROY:
      if (self != nullptr && self->m_hWnd == window) self->m_hWnd = nullptr;
      break;
    default:
      break;
  }
  return FALSE;
}

void AboutDlg::OnInitDialog() {
  // The page's view at the bottom of the window order, the background text right above it, the
  // other controls above both.
  SetWindowPos(GetDlgItem(m_hWnd, IDC_ABOUT_BACKGROUND), HWND_BOTTOM, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  RECT client;
  GetClientRect(m_hWnd, &client);
  // It shows once the page is there: a browser without its page would be an empty white field.
  HWND view = CreateWindowExW(0, L"" TESSARO_BROWSER_CLASS, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0,
                              client.right, client.bottom, m_hWnd,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageViewId)),
                              GetModuleHandleW(nullptr), nullptr);
  if (view != nullptr) {
    SetWindowPos(view, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    if (CExplorer1* browser = CExplorer1::FromWindow(view)) {
      browser->documentComplete = [view] { ShowWindow(view, SW_SHOWNA); };
      browser->Navigate2(PageAddress());
    }
  }
  SetDlgItemTextW(m_hWnd, IDC_ABOUT_VERSION, FromUtf8(kClientVersion).c_str());
  const std::wstring host = FromUtf8(m_serviceHost);
  SetDlgItemTextW(m_hWnd, IDC_ABOUT_LINK,
                  (L"<a href=\"http://" + host + L"\">" + host + L"</a>").c_str());
  // At the top left corner of the owner's client area.
  POINT corner{0, 0};
  if (m_owner != nullptr) ClientToScreen(m_owner, &corner);
  SetWindowPos(m_hWnd, nullptr, corner.x, corner.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace tessaro
