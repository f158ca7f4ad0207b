// The main window's font list: a report view with one row per missing font and the four
// columns name, download status, preview and download; single selection of whole rows, grid
// lines, centred texts, not editable.
#pragma once

#include <QTableWidget>
#include <string>

namespace tessaro {

class FontListWidget : public QTableWidget {
  Q_OBJECT

 public:
  explicit FontListWidget(QWidget* parent = nullptr);

  // The row's font name as the workflows wrote it (narrow ANSI text, byte for byte).
  std::string NarrowName(int row) const;
  void SetNarrowName(int row, const std::string& name);
  void SetCellText(int row, int column, const QString& text);

 signals:
  // A left click anywhere in the list, rows or empty area, after the view has updated the
  // selection; `position` is in the list's own coordinates: from the left edge of its first
  // column and the top of its first row, whatever the list is scrolled to.
  void clickedAt(QPoint position);

 protected:
  // A press on the empty area keeps the selection: the click then acts on the selected row.
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
};

}  // namespace tessaro
