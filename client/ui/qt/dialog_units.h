// Dialog units: the layout unit of the windows' templates. One horizontal unit is a quarter of the
// dialog font's average character width, one vertical unit an eighth of its height, so a layout
// written in them grows with the font.
#pragma once

#include <QFont>
#include <QRect>

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

// The font list's four columns for a list whose client area is `clientWidth` pixels wide: the
// name takes 4.5 ninths, status and preview 1.5 ninths each (truncated), download the rest.
struct FontListColumns {
  int widths[4];
  int previewStart;   // left edge of the preview column
  int downloadStart;  // left edge of the download column
};
FontListColumns ComputeFontListColumns(int clientWidth);

}  // namespace tessaro
