// The About window (template 2002): the version, the vendor's contact lines and a link to the
// service's site, over the page 103 in a browser view. Modeless and owned by the main window,
// which makes a new one for every click on "关于"; "确定", the close box and Escape hide it. Window
// thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tessaro {

class CExplorer1;

class AboutDlg {
 public:
  AboutDlg() = default;
  ~AboutDlg() { Destroy(); }
  AboutDlg(const AboutDlg&) = delete;
  AboutDlg& operator=(const AboutDlg&) = delete;

  // Makes the window, hidden, owned by `owner` and at the top left corner of its client area; the
  // link shows `serviceHost` and leads to its base address. False when the window could not be
  // made.
  bool Create(HWND owner, const std::string& serviceHost);
  void Destroy();

  HWND hwnd() const { return m_hWnd; }
  // The browser view behind the controls, which shows the page 103; null without the window.
  CExplorer1* page() const;
  // The address of the page 103 in this program: "res://<program>/103".
  static std::wstring PageAddress();

  // A click on the link, with its address (a wide text).
  std::function<void(const std::wstring& address)> onClickLink;

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();

  HWND m_hWnd = nullptr;
  HWND m_owner = nullptr;
  std::string m_serviceHost;
};

}  // namespace tessaro
