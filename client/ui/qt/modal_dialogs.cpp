#include "client/ui/qt/modal_dialogs.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QStringList>

namespace tessaro {
namespace {

MessageBoxHandler& MessageBoxHook() {
  static MessageBoxHandler handler;
  return handler;
}

OpenFileHandler& OpenFileHook() {
  static OpenFileHandler handler;
  return handler;
}

// The patterns of a filter "Label (*.a;*.b)". Qt's dialog splits patterns at blanks only, so a
// filter written with semicolons would offer no file at all: the dialog's model gets these.
QStringList FilterPatterns(const QString& filter) {
  QRegularExpressionMatch match =
      QRegularExpression(QStringLiteral("\\(([^()]*)\\)\\s*$")).match(filter);
  QString patterns = match.hasMatch() ? match.captured(1) : filter;
  return patterns.split(QRegularExpression(QStringLiteral("[;\\s]+")), Qt::SkipEmptyParts);
}

}  // namespace

MainView::Answer ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                MainView::Buttons buttons) {
  if (MessageBoxHook()) return MessageBoxHook()(owner, text, caption, buttons);
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::NoButton, owner);
  QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
  box.setDefaultButton(ok);
  if (buttons == MainView::Buttons::kOkCancel) {
    box.setEscapeButton(box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole));
  } else {
    box.setEscapeButton(ok);
  }
  box.exec();
  return box.clickedButton() == ok ? MainView::Answer::kOk : MainView::Answer::kCancel;
}

void SetMessageBoxHandler(MessageBoxHandler handler) { MessageBoxHook() = std::move(handler); }

OpenFileChoice RunOpenFileDialog(QWidget* owner, const QString& directory, const QString& filter) {
  if (OpenFileHook()) return OpenFileHook()(owner, directory, filter);
  QFileDialog dialog(owner, QString(), directory);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFile);
  dialog.setNameFilter(filter);
  if (auto* model = dialog.findChild<QFileSystemModel*>()) {
    model->setNameFilters(FilterPatterns(filter));
    model->setNameFilterDisables(false);
  }
  OpenFileChoice choice;
  choice.accepted = dialog.exec() == QDialog::Accepted;
  if (choice.accepted && !dialog.selectedFiles().isEmpty()) {
    choice.file = dialog.selectedFiles().first();
  }
  return choice;
}

void SetOpenFileHandler(OpenFileHandler handler) { OpenFileHook() = std::move(handler); }

}  // namespace tessaro
