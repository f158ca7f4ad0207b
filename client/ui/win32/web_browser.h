// CExplorer1: the system's WebBrowser control, hosted without a framework.
//
// A window of the class TESSARO_BROWSER_CLASS (resource.h) is the control in a dialog template:
// when it is created it creates the WebBrowser ActiveX control
// ({8856F961-340A-11D0-A96B-00C04FD705A2}) in place inside itself, through a small OLE container of
// its own (client site, in-place site and frame), and keeps it the size of the window. The control
// needs COM (OleInitialize) on the window's thread; everything here runs on that thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

struct IWebBrowser2;

namespace tessaro {

class BrowserSite;

class CExplorer1 {
 public:
  // Registers the window class once per process; true when it is registered.
  static bool RegisterWindowClass();
  // The control of the window `window` of this class; null for any other window.
  static CExplorer1* FromWindow(HWND window);

  // The WebBrowser control exists: creating it succeeded.
  bool created() const { return m_browser != nullptr; }
  HWND window() const { return m_window; }

  // Loads `address` (a wide text) through the control's Navigate2, with four empty values for the
  // flags, the target frame, the post data and the headers. Returns before the page has loaded;
  // false when there is no control or it refused the address.
  bool Navigate2(const std::wstring& address);
  // The address last given to Navigate2, whether or not a page ever loaded.
  const std::wstring& lastAddress() const { return m_lastAddress; }

  // Asked before the control goes to an address, the page's own links included, with the address
  // as the control gives it; returning true keeps the control where it is.
  std::function<bool(const std::wstring& address)> beforeNavigate;
  // Told when the control has loaded a page (DocumentComplete of its top frame).
  std::function<void()> documentComplete;

 private:
  explicit CExplorer1(HWND window);
  ~CExplorer1();
  CExplorer1(const CExplorer1&) = delete;
  CExplorer1& operator=(const CExplorer1&) = delete;

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // Creates the control in place; leaves created() false when it cannot be created.
  void CreateControl();
  void DestroyControl();
  void Resize();

  friend class BrowserSite;
  HWND m_window;
  BrowserSite* m_site = nullptr;
  IWebBrowser2* m_browser = nullptr;
  DWORD m_eventCookie = 0;  // the connection of BrowserSite to the control's events
  std::wstring m_lastAddress;
};

}  // namespace tessaro
