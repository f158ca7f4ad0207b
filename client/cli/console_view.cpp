#include "client/cli/console_view.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/user_language.h"

namespace tessaro::cli {
namespace {

struct Translation {
  const char* chinese;  // the text, or its beginning when `prefix`
  const char* english;
  bool prefix;
};

constexpr Translation kTranslations[] = {
    {"没有缺失字体", "No font is missing.", false},
    {"下载安装完成", "Download and installation finished.", false},
    {"下载安装失败", "Download or installation failed: no font was installed.", false},
    {"没有需要下载的字体", "There are no fonts that need downloading.", false},
    {"当前已经是最新版本", "This is already the newest version.", false},
    {"存在可更新版本，是否更新？", "A newer version exists. Update?", false},
    {"Session 创建失败", "The internet session could not be created.", false},
    {"无法访问 Tessaro网 ", "Cannot reach the Tessaro site ", true},
    {"Corvid.dll加载功能失败", "The engine lacks some of its functions.", false},
    {"Corvid.dll加载失败", "The engine could not be loaded.", false},
    {"更新失败", "Update failed", true},
    {"可以下载", "downloadable", false},
    {"不可下载", "not downloadable", false},
};

}  // namespace

bool ChineseLocale() { return platform::UserLanguageIsChinese(); }

std::string Localize(const std::string& text) {
  if (ChineseLocale()) return text;
  for (const Translation& t : kTranslations) {
    std::size_t length = std::strlen(t.chinese);
    if (t.prefix ? text.compare(0, length, t.chinese) == 0 : text == t.chinese) {
      return t.english + text.substr(t.prefix ? length : text.size());
    }
  }
  return text;
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
  std::fprintf(stderr, "tessaro: %s\n", Localize(text).c_str());
  std::fflush(stderr);
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
