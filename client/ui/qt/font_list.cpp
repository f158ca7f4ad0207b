#include "client/ui/qt/font_list.h"

#include <QHeaderView>
#include <QMouseEvent>

#include "client/ui/qt/narrow_text.h"

namespace tessaro {
namespace {

constexpr int kNarrowNameRole = Qt::UserRole + 1;

}  // namespace

FontListWidget::FontListWidget(QWidget* parent) : QTableWidget(parent) {
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setShowGrid(true);
  setWordWrap(false);
  setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
  verticalHeader()->setVisible(false);
  verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
  horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setSectionsClickable(false);
  horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
}

std::string FontListWidget::NarrowName(int row) const {
  QTableWidgetItem* cell = item(row, 0);
  if (cell == nullptr) return {};
  QByteArray bytes = cell->data(kNarrowNameRole).toByteArray();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

void FontListWidget::SetNarrowName(int row, const std::string& name) {
  SetCellText(row, 0, FromAnsi(name));
  item(row, 0)->setData(kNarrowNameRole,
                        QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

void FontListWidget::SetCellText(int row, int column, const QString& text) {
  QTableWidgetItem* cell = item(row, column);
  if (cell == nullptr) {
    cell = new QTableWidgetItem;
    cell->setTextAlignment(Qt::AlignCenter);
    setItem(row, column, cell);
  }
  cell->setText(text);
}

void FontListWidget::mousePressEvent(QMouseEvent* event) {
  if (!indexAt(event->position().toPoint()).isValid()) {
    event->accept();
    return;
  }
  QTableWidget::mousePressEvent(event);
}

void FontListWidget::mouseReleaseEvent(QMouseEvent* event) {
  QTableWidget::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton) return;
  const QPoint position = event->position().toPoint();
  emit clickedAt(QPoint(position.x() + horizontalOffset(), position.y() + verticalOffset()));
}

}  // namespace tessaro
