#include "client/cli/progress_bar.h"

#include <algorithm>
#include <cstdio>

#include "platform/terminal.h"

namespace tessaro::cli {
namespace {
constexpr int kBarWidth = 24;
}  // namespace

ProgressBar::ProgressBar(int steps) : steps_(steps), redraw_(platform::IsTerminal(stderr)) {}

void ProgressBar::Step(const std::string& what) {
  ++done_;
  int filled = steps_ > 0 ? std::min(done_, steps_) * kBarWidth / steps_ : kBarWidth;
  Draw(filled, std::to_string(done_) + "/" + std::to_string(steps_) + " " + what);
}

void ProgressBar::Show(int percent, const std::string& what) {
  percent = std::clamp(percent, 0, 100);
  Draw(percent * kBarWidth / 100, std::to_string(percent) + "%" + (what.empty() ? "" : " " + what));
}

void ProgressBar::Draw(int filled, const std::string& label) {
  std::string bar =
      "[" + std::string(filled, '#') + std::string(kBarWidth - filled, '-') + "] " + label;
  if (redraw_) {
    // Pad over the rest of a longer previous line.
    std::size_t width = std::max(bar.size(), lastWidth_);
    std::fprintf(stderr, "\r%-*s", static_cast<int>(width), bar.c_str());
    lastWidth_ = bar.size();
    open_ = true;
  } else {
    std::fprintf(stderr, "%s\n", bar.c_str());
  }
  std::fflush(stderr);
}

void ProgressBar::Finish() {
  if (redraw_ && open_) std::fputc('\n', stderr);
  open_ = false;
  lastWidth_ = 0;
}

}  // namespace tessaro::cli
