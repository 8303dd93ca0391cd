// The hex grid DrawGrid1 over MemoryBuffer: address, sixteen bytes and characters per row.
// An item view that scrolls by whole rows under a fixed header row and address column.
#pragma once

#include <QAbstractItemView>
#include <QFont>
#include <array>
#include <vector>

#include "buffer/differences.h"

class QPainter;
class THexGridModel;
class THexCellDelegate;

class TDrawGrid : public QAbstractItemView {
  Q_OBJECT
 public:
  static constexpr int kColCount = 18;
  static constexpr int kDefaultColWidth = 25;
  static constexpr int kDefaultRowHeight = 17;
  static constexpr int kGridLineWidth = 1;

  explicit TDrawGrid(QWidget* parent);
  ~TDrawGrid() override;

  // Rows including the fixed header row 0; kept within 1 and one row per 16 bytes of MemoryBuffer.
  void SetRowCount(int rows);
  int RowCount() const;
  void SetColWidth(int column, int width);
  int ColWidth(int column) const { return ColWidths_.at(column); }
  // Repaints the visible cells from MemoryBuffer at once.
  void RepaintNow();

  // The current cell, -1 for both while there is none (a grid of the header row alone).
  int Col() const;
  int Row() const;
  // True while the cell editor is open.
  bool Editing() const { return state() == EditingState; }
  // The first data row below the header.
  int TopRow() const;
  // Data rows that fit the viewport completely (at least 1).
  int VisibleRowCount() const;
  // A cell's rectangle in viewport coordinates without its grid lines; empty while scrolled away.
  QRect CellRect(int column, int row) const;
  // Makes a cell current the way a click does, if DrawGrid1SelectCell allows it.
  bool SelectCell(int column, int row);
  // Shown in the empty area while the grid has no data rows (no chip selected).
  QString EmptyHint;
  // Byte cells to mark (differences found by a compare), in address order; empty: none.
  void SetMarks(std::vector<TAddressRange> marks);
  bool Marked(uint32_t address) const;
  const std::vector<TAddressRange>& Marks() const { return Marks_; }

  // "Courier New" 13 pixels high, or the system's fixed-pitch font where it is missing.
  static QFont GridFont();

  // --- handlers ---
  // Paints one cell from MemoryBuffer; the grid has filled the background of fixed cells.
  void DrawGrid1DrawCell(QPainter& canvas, int column, int row, const QRect& rect);
  // Refuses the character column; otherwise shows the cell's address for status panel 2.
  void DrawGrid1SelectCell(int column, int row, bool& canSelect);
  // The editor's mask: two positions, each a letter or a digit.
  void DrawGrid1GetEditMask(int column, int row, QString& value);
  // The editor's starting text: the cell's byte as two hexadecimal digits.
  void DrawGrid1GetEditText(int column, int row, QString& value);
  // Runs at every change of the editor's text: stores the byte and repaints the row's characters.
  void DrawGrid1SetEditText(int column, int row, const QString& value);

  // --- QAbstractItemView ---
  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;
  void keyboardSearch(const QString& search) override;

 signals:
  // Text for status panel 2 after a selection change ("Addr: 001F").
  void StatusText(const QString& text);

 protected:
  QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
  int horizontalOffset() const override { return 0; }
  int verticalOffset() const override;
  bool isIndexHidden(const QModelIndex&) const override { return false; }
  void setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) override;
  QRegion visualRegionForSelection(const QItemSelection& selection) const override;
  void updateGeometries() override;
  void scrollContentsBy(int dx, int dy) override;
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  int ColumnAt(int x) const;
  int RowAt(int y) const;
  int DataRowCount() const { return RowCount() - 1; }
  void SetTopRow(int row);
  void UpdateColumnPositions();
  // Sets the current cell without asking DrawGrid1SelectCell (row count changes, first focus).
  void PlaceCurrent(int column, int row);

  THexGridModel* Model_ = nullptr;
  THexCellDelegate* Delegate_ = nullptr;
  std::array<int, kColCount> ColWidths_{};
  std::array<int, kColCount + 1> ColLefts_{};
  QFont Font_;
  int Ascent_ = 0;
  std::vector<TAddressRange> Marks_;
};
