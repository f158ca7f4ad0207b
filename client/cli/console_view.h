// The workflows on a console: progress on standard error, rows kept for the command to print,
// messages written to standard error (in Chinese under a Chinese locale, in English otherwise).
//
// On a terminal the progress is one line redrawn in place, with what is being done and, while a
// download runs, how many bytes have arrived; otherwise one line per step, so that the log of a
// batch run stays readable.
#pragma once

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "client/cli/messages.h"
#include "client/cli/progress_bar.h"
#include "client/workflow/main_view.h"

namespace tessaro::cli {

class ConsoleView : public MainView {
 public:
  // `answer` is what every question (OK / Cancel) gets: nobody is there to answer on a console.
  explicit ConsoleView(Answer answer = Answer::kCancel);
  ~ConsoleView() override;
  ConsoleView(const ConsoleView&) = delete;
  ConsoleView& operator=(const ConsoleView&) = delete;

  void SetProgressRange(int low, int high) override;
  void SetProgressStep(int step) override;
  void StepProgress() override;
  void SetProgressPos(int position) override;
  void SetProgressText(const std::string& text, const std::string& folder) override;
  void DeleteAllRows() override;
  void InsertRow(int row, const std::string& name) override;
  void SetCell(int row, int column, const std::string& text) override;
  void DeleteRow(int row) override;
  void EnableControl(Control, bool) override {}
  void SetEditText(const std::string&) override {}
  Answer ShowMessage(const std::string& text, const std::string& caption, Buttons buttons) override;
  void CloseWindow() override {}

  // Writes a line of narrow text (a log line) to standard error, on a line of its own.
  void Note(const std::string& line);

  // The font list: one row per missing font, its four cells.
  std::vector<std::vector<std::string>> rows() const;
  // Every message shown, as given (untranslated).
  std::vector<std::string> messages() const;

 private:
  void Draw();
  // Redraws the line while bytes arrive in the folder of the current step.
  void Tick();

  mutable std::mutex mutex_;
  Answer answer_;
  ProgressBar bar_;
  int low_ = 0, high_ = 100, step_ = 10, position_ = 0;
  std::string text_;    // what is being done, as the workflow said it
  std::string folder_;  // where its bytes arrive, when the workflow said so
  std::vector<std::vector<std::string>> rows_;
  std::vector<std::string> messages_;
  std::condition_variable changed_;
  bool ending_ = false;
  std::thread ticker_;
};

}  // namespace tessaro::cli
