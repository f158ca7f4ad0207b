// A progress bar on standard error: one line redrawn in place on a terminal, one line per change
// otherwise (so logs of a batch run stay readable).
#pragma once

#include <cstddef>
#include <string>

namespace tessaro::cli {

class ProgressBar {
 public:
  // A bar of `steps` steps (Step) or of percent positions (Show).
  explicit ProgressBar(int steps = 100);
  ~ProgressBar() { Finish(); }

  // One more step done, with what is being done now.
  void Step(const std::string& what);
  // The bar at `percent` (0 to 100) of the work.
  void Show(int percent, const std::string& what = "");
  // Ends a redrawn line, so that other output starts on a line of its own.
  void Finish();
  // The bar is one line redrawn in place (standard error is a terminal).
  bool redraws() const { return redraw_; }

 private:
  void Draw(int filled, const std::string& label);

  int steps_;
  int done_ = 0;
  bool redraw_;
  bool open_ = false;
  std::size_t lastWidth_ = 0;
};

}  // namespace tessaro::cli
