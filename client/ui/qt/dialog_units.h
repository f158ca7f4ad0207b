// Dialog units: the layout unit of the windows' templates. One horizontal unit is a quarter of the
// dialog font's average character width, one vertical unit an eighth of its height, so a layout
// written in them grows with the font.
#pragma once

#include <QFont>
#include <QRect>

// The font list's column rule (ComputeFontListColumns) lives with the columns themselves.
#include "client/workflow/main_view.h"

namespace tessaro {

class DialogUnits {
 public:
  // The base units in pixels: the average width of the letters A-Z and a-z, rounded, and the
  // line height.
  DialogUnits(int baseX, int baseY) : baseX_(baseX), baseY_(baseY) {}
  static DialogUnits ForFont(const QFont& font);

  int baseX() const { return baseX_; }
  int baseY() const { return baseY_; }
  // Units to pixels, rounded to the nearest pixel (halves away from zero).
  int X(int units) const;
  int Y(int units) const;
  QRect Rect(int x, int y, int width, int height) const;

 private:
  int baseX_;
  int baseY_;
};

}  // namespace tessaro
