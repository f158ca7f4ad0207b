#include "client/ui/qt/dialog_units.h"

#include <QFontMetrics>
#include <QString>

namespace tessaro {
namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c) {
  long long product = static_cast<long long>(a) * b;
  long long half = c / 2;
  return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

DialogUnits DialogUnits::ForFont(const QFont& font) {
  QFontMetrics metrics(font);
  int letters = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  // The width of 52 letters halved and divided by 26, rounded: the average letter, rounded.
  return DialogUnits((letters / 26 + 1) / 2, metrics.height());
}

int DialogUnits::X(int units) const { return MulDiv(units, baseX_, 4); }

int DialogUnits::Y(int units) const { return MulDiv(units, baseY_, 8); }

QRect DialogUnits::Rect(int x, int y, int width, int height) const {
  // Position and size are converted each on its own, as a template's controls are.
  return QRect(X(x), Y(y), X(width), Y(height));
}

}  // namespace tessaro
