// The modal dialogs of the client's windows: message boxes and the open-file dialog.
//
// Each goes through a replaceable handler, so that a test can answer it without a modal loop;
// by default a real QMessageBox or QFileDialog runs. Handlers are called on the window thread
// only, and must be set there.
#pragma once

#include <QString>
#include <functional>

#include "client/workflow/main_view.h"

class QWidget;

namespace tessaro {

// Shows `text` with `caption` and the buttons "确定" (and "取消" for kOkCancel), owned by `owner`
// (none when null), and returns the button pressed; closing the box counts as "取消".
MainView::Answer ShowMessageBox(QWidget* owner, const QString& text, const QString& caption,
                                MainView::Buttons buttons);

using MessageBoxHandler = std::function<MainView::Answer(
    QWidget* owner, const QString& text, const QString& caption, MainView::Buttons buttons)>;
// Replaces the message box; an empty handler restores the real one.
void SetMessageBoxHandler(MessageBoxHandler handler);

// What the open-file dialog gave: `accepted` false when the user cancelled; else the files
// chosen (an accepted dialog without a file is a failed one).
struct OpenFileChoice {
  bool accepted = false;
  QString file;
};

// Shows the open-file dialog owned by `owner`, starting in `directory`, with the one filter
// `filter` (e.g. "打开文件 (*.ai;*.psd;*.cdr;*.pdf)": the patterns in the parentheses, separated
// by semicolons, are the files offered).
OpenFileChoice RunOpenFileDialog(QWidget* owner, const QString& directory, const QString& filter);

using OpenFileHandler =
    std::function<OpenFileChoice(QWidget* owner, const QString& directory, const QString& filter)>;
// Replaces the open-file dialog; an empty handler restores the real one.
void SetOpenFileHandler(OpenFileHandler handler);

}  // namespace tessaro
