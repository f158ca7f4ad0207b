#include "client/ui/qt/icons.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace tessaro {

QPixmap ProgramIconPixmap(int size) {
  QPixmap pixmap(size, size);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  const qreal s = size;
  QLinearGradient tile(0, 0, 0, s);
  tile.setColorAt(0, QColor(0x2f, 0x80, 0xed));
  tile.setColorAt(1, QColor(0x1b, 0x4f, 0xa8));
  painter.setPen(Qt::NoPen);
  painter.setBrush(tile);
  painter.drawRoundedRect(QRectF(0.5, 0.5, s - 1, s - 1), s * 0.18, s * 0.18);
  // The "T": a bar and a stem, with a small serif foot.
  painter.setBrush(Qt::white);
  painter.drawRect(QRectF(s * 0.2, s * 0.2, s * 0.6, s * 0.16));
  painter.drawRect(QRectF(s * 0.42, s * 0.2, s * 0.16, s * 0.58));
  painter.drawRect(QRectF(s * 0.34, s * 0.72, s * 0.32, s * 0.08));
  // A corner folded down: a missing piece filled in.
  painter.setBrush(QColor(0xff, 0xc1, 0x07));
  painter.drawPolygon(QPolygonF({QPointF(s * 0.66, s), QPointF(s, s * 0.66), QPointF(s, s)}));
  return pixmap;
}

QIcon ProgramIcon() {
  QIcon icon;
  for (int size : {16, 24, 32, 48, 64, 128}) icon.addPixmap(ProgramIconPixmap(size));
  return icon;
}

QPixmap OpenFileBitmap() {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(QColor(0x9a, 0x6a, 0x00), 1));
  // Back of the folder with its tab, then the open front flap.
  painter.setBrush(QColor(0xf2, 0xc0, 0x3c));
  QPainterPath back;
  back.moveTo(1.5, 3.5);
  back.lineTo(6.5, 3.5);
  back.lineTo(8, 5.5);
  back.lineTo(14.5, 5.5);
  back.lineTo(14.5, 13.5);
  back.lineTo(1.5, 13.5);
  back.closeSubpath();
  painter.drawPath(back);
  painter.setBrush(QColor(0xff, 0xd8, 0x6b));
  painter.drawPolygon(
      QPolygonF({QPointF(3.5, 7.5), QPointF(15.5, 7.5), QPointF(13.5, 13.5), QPointF(1.5, 13.5)}));
  return pixmap;
}

}  // namespace tessaro
