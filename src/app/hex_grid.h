// The hex grid DrawGrid1 over MemoryBuffer: address, sixteen bytes and characters per row.
#pragma once

#include <QTableView>

class TDrawGrid : public QTableView {
  Q_OBJECT
 public:
  explicit TDrawGrid(QWidget* parent);

  // Rows including the fixed header row 0.
  void SetRowCount(int rows);
  int RowCount() const { return Rows_; }
  void SetColWidth(int column, int width);
  // Repaints the visible cells from MemoryBuffer at once.
  void RepaintNow();

 signals:
  // Text for status panel 2 after a selection change ("Addr: 001F").
  void StatusText(const QString& text);

 private:
  int Rows_ = 1;
};
