#include "client/ui/qt/about_window.h"

#include <QLabel>
#include <QPalette>
#include <QPushButton>

#include "client/ui/qt/dialog_units.h"
#include "client/ui/qt/narrow_text.h"
#include "client/workflow/session.h"

namespace tessaro {
namespace {

QLabel* AddText(QWidget* parent, const DialogUnits& units, const QString& text, QRect units_rect) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(
      units.Rect(units_rect.x(), units_rect.y(), units_rect.width(), units_rect.height()));
  return label;
}

}  // namespace

AboutDlg::AboutDlg(QWidget* owner, const std::string& serviceHost) : QDialog(owner) {
  setWindowTitle(QStringLiteral("关于Tessaro网"));
  QFont dialogFont = font();
  dialogFont.setPointSize(8);
  setFont(dialogFont);
  const DialogUnits units = DialogUnits::ForFont(dialogFont);
  setFixedSize(units.X(134), units.Y(105));
  // The page behind the controls: light grey, without content.
  QPalette page = palette();
  page.setColor(QPalette::Window, QColor(0xd3, 0xd3, 0xd3));
  setPalette(page);
  setAutoFillBackground(true);

  AddText(this, units, QStringLiteral("版本号: "), QRect(5, 4, 28, 9));
  m_version = AddText(this, units, QString(), QRect(33, 5, 69, 9));
  m_version->setObjectName(QStringLiteral("1020"));

  const QString host = FromAnsi(serviceHost);
  AddText(this, units, QStringLiteral("官网:"), QRect(5, 18, 22, 9));
  m_link =
      AddText(this, units, QStringLiteral("<a href=\"http://%1\">%1</a>").arg(host.toHtmlEscaped()),
              QRect(27, 18, 102, 9));
  m_link->setObjectName(QStringLiteral("1019"));
  m_link->setTextFormat(Qt::RichText);
  m_link->setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
  connect(m_link, &QLabel::linkActivated, this, &AboutDlg::linkClicked);

  AddText(this, units, QStringLiteral("交流群: 见官网“联系我们”页"), QRect(5, 31, 126, 9));
  AddText(this, units, QStringLiteral("意见反馈:"), QRect(5, 44, 124, 9));
  AddText(this, units, QStringLiteral("feedback@tessaro.example"), QRect(5, 55, 124, 9));
  AddText(this, units, QStringLiteral("Tessaro, 缺字体一键补齐"), QRect(5, 68, 124, 9));

  m_ok = new QPushButton(QStringLiteral("确定"), this);
  m_ok->setGeometry(units.Rect(40, 86, 50, 14));
  m_ok->setDefault(true);
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutDlg::OnInitDialog() { m_version->setText(QString::fromLatin1(kClientVersion)); }

}  // namespace tessaro
