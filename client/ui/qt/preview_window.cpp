#include "client/ui/qt/preview_window.h"

#include <QUrl>
#include <QWebEngineDownloadRequest>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <algorithm>
#include <cstring>

#include "client/ui/qt/dialog_units.h"
#include "client/ui/qt/narrow_text.h"
#include "client/workflow/service_protocol.h"

namespace tessaro {

PreviewDlg::PreviewDlg(QWidget* owner, const QRect& ownerRect, const std::string& serviceHost)
    : QDialog(owner), m_ownerRect(ownerRect), m_serviceHost(serviceHost) {
  setWindowTitle(QStringLiteral("预览字体(%1)").arg(FromAnsi(serviceHost)));
  QFont dialogFont = font();
  dialogFont.setPointSize(8);
  setFont(dialogFont);
  const DialogUnits units = DialogUnits::ForFont(dialogFont);
  setFixedSize(units.X(480), units.Y(273));
  m_browser = new QWebEngineView(this);
  m_browser->setGeometry(units.Rect(0, 0, 478, 271));
  m_browser->setFocus();
  // The page's download links: the font is installed the client's way (downloaded, unpacked,
  // installed, the list brought up to date) instead of the file landing nowhere.
  connect(m_browser->page()->profile(), &QWebEngineProfile::downloadRequested, this,
          [this](QWebEngineDownloadRequest* download) {
            if (download->page() != m_browser->page()) return;
            download->cancel();
            if (!m_fontName.empty()) {
              emit installRequested(
                  QByteArray(m_fontName.data(), static_cast<qsizetype>(m_fontName.size())));
            }
          });
}

void PreviewDlg::OnInitDialog() {
  char home[kBrowserAddressSize] = {};
  const std::string base = "http://" + m_serviceHost;
  std::memcpy(home, base.data(), std::min(base.size(), sizeof home - 1));
  NavigateTo(home);
  // The owner's right edge is exclusive: the first pixel right of the main window.
  move(m_ownerRect.x() + m_ownerRect.width(), m_ownerRect.y());
}

void PreviewDlg::NavigateTo(char* url) { Navigate(BrowserAddress(url)); }

void PreviewDlg::Navigate(const std::string& encodedAddress) {
  m_lastAddress = encodedAddress;
  m_browser->load(QUrl::fromEncoded(QByteArray::fromStdString(m_lastAddress)));
}

}  // namespace tessaro
