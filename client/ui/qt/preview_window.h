// The font preview window: the service's page for one font in an embedded web view, placed
// against the main window's right edge. Modeless, owned by the main window, which creates a new
// one for every preview click (so no page state survives from one preview to the next).
#pragma once

#include <QByteArray>
#include <QDialog>
#include <QRect>
#include <string>

class QWebEngineView;

namespace tessaro {

class PreviewDlg : public QDialog {
  Q_OBJECT

 public:
  // `ownerRect`: the main window's outer rectangle on the screen; `serviceHost` names the service
  // in the caption and gives the home page.
  PreviewDlg(QWidget* owner, const QRect& ownerRect, const std::string& serviceHost);

  // Starts the browser on the service's home page and moves the window so that its left edge
  // touches the owner's right edge, tops aligned.
  void OnInitDialog();

  // Converts the NUL-terminated ANSI address in `url` (a 260-byte buffer) to UTF-8 in place,
  // percent-encodes it (BrowserAddress) and loads it. Returns before the page has loaded.
  void NavigateTo(char* url);
  // Loads an address already in its encoded form (PreviewAddress).
  void Navigate(const std::string& encodedAddress);

  // The font whose page is shown (narrow text): a download the page starts (its "下载" links)
  // asks for that font to be installed instead of fetching a file nobody would use.
  void SetPreviewedFont(const std::string& name) { m_fontName = name; }
  const std::string& previewedFont() const { return m_fontName; }

  QWebEngineView* browser() const { return m_browser; }
  // The encoded address last given to the browser.
  const std::string& lastAddress() const { return m_lastAddress; }

 signals:
  // The page started a download; `name` is the previewed font (narrow text).
  void installRequested(const QByteArray& name);

 private:
  QWebEngineView* m_browser = nullptr;
  QRect m_ownerRect;
  std::string m_serviceHost;
  std::string m_lastAddress;
  std::string m_fontName;
};

}  // namespace tessaro
