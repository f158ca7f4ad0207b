// The font preview window (template 129): the service's page for one font in the WebBrowser
// control, placed against the main window's right edge. Modeless and owned by the main window,
// which makes a new one for every preview click, so no page state survives from one preview to
// the next. Window thread only.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace tessaro {

class CExplorer1;

class PreviewDlg {
 public:
  PreviewDlg() = default;
  ~PreviewDlg() { Destroy(); }
  PreviewDlg(const PreviewDlg&) = delete;
  PreviewDlg& operator=(const PreviewDlg&) = delete;

  // Makes the window, hidden, owned by `owner`, with the caption "预览字体(<serviceHost>)"; it
  // starts on the service's home page and stands with its left edge on the owner's right edge,
  // tops aligned (OnInitDialog). False when the window could not be made.
  bool Create(HWND owner, const std::string& serviceHost);
  // Destroys the window if there is one.
  void Destroy();

  // Converts the NUL-terminated ANSI address in `url` (kBrowserAddressSize bytes) to UTF-8 in
  // place, percent-encodes it (BrowserAddress) and loads it. Returns before the page has loaded.
  void NavigateTo(char* url);
  // Loads an address already in its encoded form (PreviewAddress, ASCII). False when the window
  // has no browser control.
  bool Navigate(const std::string& encodedAddress);

  // The window holds a working browser control.
  bool browserCreated() const;
  HWND hwnd() const { return m_hWnd; }
  CExplorer1* browser() const;
  // The encoded address last given to the browser.
  const std::string& lastAddress() const { return m_lastAddress; }

  // The font whose page is shown (ANSI text).
  void SetPreviewedFont(const std::string& name) { m_fontName = name; }
  const std::string& previewedFont() const { return m_fontName; }
  // Asked when the page goes to another address (a wide text as the browser gives it), with the
  // previewed font; returning true keeps the page where it is. The main window turns the page's
  // download links into installs.
  std::function<bool(const std::string& font, const std::wstring& address)> onNavigate;

  // The rectangle of the main window on the screen, read while the window initialises.
  RECT m_ownerRect{};

 private:
  static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void OnInitDialog();

  HWND m_hWnd = nullptr;
  std::string m_serviceHost;
  std::string m_lastAddress;
  std::string m_fontName;
};

}  // namespace tessaro
