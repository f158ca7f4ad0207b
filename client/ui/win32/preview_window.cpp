#include "client/ui/win32/preview_window.h"

#include <algorithm>
#include <cstring>

#include "client/ui/win32/resource.h"
#include "client/ui/win32/web_browser.h"
#include "client/ui/win32/wide_text.h"
#include "client/workflow/service_protocol.h"

namespace tessaro {

bool PreviewDlg::Create(HWND owner, const std::string& serviceHost) {
  Destroy();
  m_serviceHost = serviceHost;
  m_lastAddress.clear();
  CExplorer1::RegisterWindowClass();
  m_hWnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_PREVIEW_DIALOG),
                              owner, DialogProc, reinterpret_cast<LPARAM>(this));
  return m_hWnd != nullptr;
}

void PreviewDlg::Destroy() {
  if (m_hWnd == nullptr) return;
  HWND window = m_hWnd;
  m_hWnd = nullptr;
  DestroyWindow(window);
}

CExplorer1* PreviewDlg::browser() const {
  return m_hWnd != nullptr ? CExplorer1::FromWindow(GetDlgItem(m_hWnd, IDC_BROWSER)) : nullptr;
}

bool PreviewDlg::browserCreated() const {
  CExplorer1* control = browser();
  return control != nullptr && control->created();
}

INT_PTR CALLBACK PreviewDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<PreviewDlg*>(GetWindowLongPtrW(window, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      self = reinterpret_cast<PreviewDlg*>(lParam);
      SetWindowLongPtrW(window, DWLP_USER, lParam);
      self->m_hWnd = window;
      self->OnInitDialog();
      return TRUE;  // the focus goes to the first control, the browser
    case WM_COMMAND:
      // The close box and Escape hide the window; the next preview or the main window's end
      // destroys it.
      if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDOK) {
        ShowWindow(window, SW_HIDE);
        return TRUE;
      }
      break;
    case WM_NCDESTROY:
      if (self != nullptr && self->m_hWnd == window) self->m_hWnd = nullptr;
      break;
    default:
      break;
  }
  return FALSE;
}

void PreviewDlg::OnInitDialog() {
  SetWindowTextW(m_hWnd, (L"预览字体(" + FromUtf8(m_serviceHost) + L")").c_str());
  if (CExplorer1* control = browser()) {
    control->beforeNavigate = [this](const std::wstring& address) {
      return onNavigate && onNavigate(m_fontName, address);
    };
  }
  char home[kBrowserAddressSize] = {};
  const std::string base = "http://" + m_serviceHost;
  std::memcpy(home, base.data(), std::min(base.size(), sizeof home - 1));
  NavigateTo(home);
  RECT own;
  GetWindowRect(m_hWnd, &own);
  MoveWindow(m_hWnd, m_ownerRect.right, m_ownerRect.top, own.right - own.left, own.bottom - own.top,
             TRUE);
}

void PreviewDlg::NavigateTo(char* url) { Navigate(BrowserAddress(url)); }

bool PreviewDlg::Navigate(const std::string& encodedAddress) {
  m_lastAddress = encodedAddress;
  CExplorer1* control = browser();
  return control != nullptr && control->Navigate2(FromUtf8(encodedAddress));
}

}  // namespace tessaro
