// The workflows on a console: progress on standard error, rows kept for the command to print,
// messages written to standard error (in Chinese under a Chinese locale, in English otherwise).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "client/cli/messages.h"
#include "client/cli/progress_bar.h"
#include "client/workflow/main_view.h"

namespace tessaro::cli {

class ConsoleView : public MainView {
 public:
  // `answer` is what every question (OK / Cancel) gets: nobody is there to answer on a console.
  explicit ConsoleView(Answer answer = Answer::kCancel) : answer_(answer) {}

  void SetProgressRange(int low, int high) override;
  void SetProgressStep(int step) override;
  void StepProgress() override;
  void SetProgressPos(int position) override;
  void DeleteAllRows() override;
  void InsertRow(int row, const std::string& name) override;
  void SetCell(int row, int column, const std::string& text) override;
  void DeleteRow(int row) override;
  void EnableControl(Control, bool) override {}
  void SetEditText(const std::string&) override {}
  Answer ShowMessage(const std::string& text, const std::string& caption, Buttons buttons) override;
  void CloseWindow() override {}

  // The font list: one row per missing font, its four cells.
  std::vector<std::vector<std::string>> rows() const;
  // Every message shown, as given (untranslated).
  std::vector<std::string> messages() const;

 private:
  void Draw();

  mutable std::mutex mutex_;
  Answer answer_;
  ProgressBar bar_;
  int low_ = 0, high_ = 100, step_ = 10, position_ = 0;
  std::vector<std::vector<std::string>> rows_;
  std::vector<std::string> messages_;
};

}  // namespace tessaro::cli
