#include "client/cli/console_view.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "platform/terminal.h"

namespace tessaro::cli {
namespace {

// The bytes of the files directly inside `folder`, the staging file of a running download
// included.
std::uintmax_t BytesIn(const std::string& folder) {
  namespace fs = std::filesystem;
  std::uintmax_t bytes = 0;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(folder, error)) {
    std::error_code ignored;
    if (entry.is_regular_file(ignored)) bytes += entry.file_size(ignored);
  }
  return bytes;
}

std::string ByteCount(std::uintmax_t bytes) {
  char text[32];
  if (bytes < 1024) {
    std::snprintf(text, sizeof text, "%ju B", bytes);
  } else if (bytes < 1024 * 1024) {
    std::snprintf(text, sizeof text, "%.1f KB", static_cast<double>(bytes) / 1024);
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / (1024 * 1024));
  }
  return text;
}

}  // namespace

ConsoleView::ConsoleView(Answer answer) : answer_(answer) {
  if (platform::IsTerminal(stderr)) ticker_ = std::thread([this] { Tick(); });
}

ConsoleView::~ConsoleView() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  changed_.notify_all();
  if (ticker_.joinable()) ticker_.join();
}

void ConsoleView::Tick() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!ending_) {
    changed_.wait_for(lock, std::chrono::milliseconds(250));
    if (!ending_ && !folder_.empty()) Draw();
  }
}

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
    // The end of the work: the next progress says anew what it does.
    bar_.Finish();
    text_.clear();
    folder_.clear();
  }
}

void ConsoleView::SetProgressText(const std::string& text, const std::string& folder) {
  std::lock_guard<std::mutex> lock(mutex_);
  text_ = text;
  folder_ = folder;
}

void ConsoleView::Draw() {
  int span = high_ - low_;
  std::string label = text_.empty() ? "" : ForTerminal(Localize(text_));
  if (!folder_.empty() && bar_.redraws()) {
    const std::uintmax_t bytes = BytesIn(folder_);
    if (bytes > 0) label += " " + ByteCount(bytes);
  }
  bar_.Show(span > 0 ? (position_ - low_) * 100 / span : 100, label);
}

void ConsoleView::Note(const std::string& line) {
  std::lock_guard<std::mutex> lock(mutex_);
  bar_.Finish();
  std::fputs(line.c_str(), stderr);
  std::fputc('\n', stderr);
  std::fflush(stderr);
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

// The workflows' texts are their Chinese texts (UTF-8) with parts in ASCII (hosts, statuses,
// addresses): they are written as UTF-8 text.
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
