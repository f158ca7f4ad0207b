#include "client/cli/console_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tessaro::cli {

void ConsoleView::SetProgressRange(int low, int high) {
  std::lock_guard<std::mutex> lock(mutex_);
  low_ = low, high_ = high;
}

void ConsoleView::SetProgressStep(int step) {
  std::lock_guard<std::mutex> lock(mutex_);
  step_ = step;
}

void ConsoleView::StepProgress() {
  std::lock_guard<std::mutex> lock(mutex_);
  position_ = std::min(high_, position_ + step_);
  Draw();
}

void ConsoleView::SetProgressPos(int position) {
  std::lock_guard<std::mutex> lock(mutex_);
  position_ = position;
  if (position_ > low_) {
    Draw();
  } else {
    bar_.Finish();
  }
}

void ConsoleView::Draw() {
  int span = high_ - low_;
  bar_.Show(span > 0 ? (position_ - low_) * 100 / span : 100);
}

void ConsoleView::DeleteAllRows() {
  std::lock_guard<std::mutex> lock(mutex_);
  rows_.clear();
}

void ConsoleView::InsertRow(int row, const std::string& name) {
  std::lock_guard<std::mutex> lock(mutex_);
  row = std::clamp(row, 0, static_cast<int>(rows_.size()));
  rows_.insert(rows_.begin() + row, std::vector<std::string>{name, "", "", ""});
}

void ConsoleView::SetCell(int row, int column, const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column < 4) {
    rows_[row][column] = text;
  }
}

void ConsoleView::DeleteRow(int row) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (row >= 0 && row < static_cast<int>(rows_.size())) rows_.erase(rows_.begin() + row);
}

MainView::Answer ConsoleView::ShowMessage(const std::string& text, const std::string& caption,
                                          Buttons buttons) {
  std::lock_guard<std::mutex> lock(mutex_);
  bar_.Finish();
  messages_.push_back(text);
  PrintError(text);
  return buttons == Buttons::kOk ? Answer::kOk : answer_;
}

std::vector<std::vector<std::string>> ConsoleView::rows() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return rows_;
}

std::vector<std::string> ConsoleView::messages() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return messages_;
}

}  // namespace tessaro::cli
