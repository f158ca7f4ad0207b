// The About window: the program's version, the vendor's contact lines and a link to the
// service's site. Modeless, owned by the main window, which creates a new one for every click
// on "关于"; "确定", the close box and Escape hide it.
#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace tessaro {

class AboutDlg : public QDialog {
  Q_OBJECT

 public:
  AboutDlg(QWidget* owner, const std::string& serviceHost);

  // Puts the version text into its field.
  void OnInitDialog();

  QLabel* version() const { return m_version; }  // control 1020
  QLabel* link() const { return m_link; }        // control 1019
  QPushButton* okButton() const { return m_ok; }

 signals:
  // The link was clicked; `url` is the service's base address.
  void linkClicked(const QString& url);

 private:
  QLabel* m_version = nullptr;
  QLabel* m_link = nullptr;
  QPushButton* m_ok = nullptr;
};

}  // namespace tessaro
