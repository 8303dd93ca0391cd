// The hex grid over the document: address, sixteen bytes and characters per row.
// An item view that scrolls by whole rows under a fixed header row and address column. It draws
// and forwards keys and the mouse; the editing itself is TBufferEditor's. It repaints what the
// document says changed.
#pragma once

#include <QAbstractItemView>
#include <QColor>
#include <QFont>
#include <QStaticText>
#include <array>
#include <vector>

#include "buffer/differences.h"

#include "buffer/buffer_editor.h"

class QPainter;
class QPalette;
class THexGridModel;

// The grid's colours. On a light palette the grid's own fixed colours (light yellow and light green
// byte columns, black digits, red changed bytes); on a dark palette colours drawn from it, so that
// the columns, the changed bytes and the selection stay readable next to the other windows.
struct TGridColours {
  QColor Fixed;  // header row and address column
  QColor OddByte, EvenByte;
  QColor Char;  // the character column
  QColor Back;  // outside the cells
  QColor Line;  // between the cells
  QColor Text;
  QColor EditorBack, EditorText;  // a cell while its byte is typed
  QColor Mark;                    // differences found by a compare
  QColor Current, CurrentText;
  QColor Selection;
  QColor Changed, ChangedCurrent;  // digits of bytes changed since the last load, read or write
  QColor Dot;                      // the character column's dot for an unprintable byte
  QColor Hint;                     // the empty grid's hint

  static TGridColours For(const QPalette& palette);
  // A palette whose base is dark (its lightness below the middle).
  static bool Dark(const QPalette& palette);
};

class THexGrid : public QAbstractItemView {
  Q_OBJECT
 public:
  static constexpr int kColCount = 18;
  static constexpr int kDefaultColWidth = 25;
  static constexpr int kDefaultRowHeight = 17;
  static constexpr int kGridLineWidth = 1;
  // Data rows shown at the grid's smallest height.
  static constexpr int kMinVisibleRows = 4;

  THexGrid(QWidget* parent, TDocument& document);
  ~THexGrid() override;

  // The chip's size: one data row per 16 bytes begun; cells past the size are empty.
  void SetChipSize(int32_t size);
  // Rows including the fixed header row 0, a chip of 16 bytes per data row; kept within 1 and
  // one row per 16 bytes of the document.
  void SetRowCount(int rows);
  int RowCount() const;
  void SetColWidth(int column, int width);
  int ColWidth(int column) const { return ColWidths_.at(column); }
  // Repaints the visible cells from the document at once.
  void RepaintNow();
  // The code page (an iconv name) of the character column.
  void SetCodePage(const char* codePage);
  const char* CodePage() const;
  const THexGridModel& Model() const { return *Model_; }

  // The editing of the document: current byte, selection, entry, commands and undo.
  TBufferEditor& Editor() { return Editor_; }
  // Keeps what an open cell entry shows (before any command runs).
  void CommitEntry() { Editor_.CommitEntry(); }

  // While locked (a chip command runs) the grid ignores keys and mouse buttons, which then reach
  // the window; it still paints and scrolls.
  void SetInputLocked(bool locked) { InputLocked_ = locked; }
  bool InputLocked() const { return InputLocked_; }

  // The current cell, -1 for both while there is none (a grid of the header row alone).
  int Col() const;
  int Row() const;
  // True while a cell entry is open (one digit of the byte typed).
  bool Editing() const { return Editor_.Entering(); }
  // Whether typing goes into the text column (characters) rather than the hex cells (digits): a
  // click on either side chooses.
  bool TextSide() const { return TextSide_; }
  void SetTextSide(bool text);
  // The byte whose character lies at a point of the viewport in the text column, or -1.
  int32_t CharAddressAt(const QPoint& point) const;
  // Left of the first column: the columns are centred in a wider grid.
  int LeftMargin() const;
  // The first data row below the header.
  int TopRow() const;
  // Data rows that fit the viewport completely (at least 1).
  int VisibleRowCount() const;
  // A cell's rectangle in viewport coordinates without its grid lines; empty while scrolled away.
  QRect CellRect(int column, int row) const;
  // Makes a cell current the way a click does, if CanSelectCell allows it.
  bool SelectCell(int column, int row);
  // Shown in the empty area while the grid has no data rows (no chip selected).
  QString EmptyHint;
  // Byte cells to mark (differences found by a compare), in address order; empty: none.
  void SetMarks(std::vector<TAddressRange> marks);
  bool Marked(uint32_t address) const;
  const std::vector<TAddressRange>& Marks() const { return Marks_; }

  // "Courier New" 13 pixels high, or the system's fixed-pitch font where it is missing.
  static QFont GridFont();
  // The colours in use, following the grid's palette.
  const TGridColours& Colours() const { return Colours_; }

  // --- handlers ---
  // Paints one cell from the document; the grid has filled the background of fixed cells.
  void DrawCell(QPainter& canvas, int column, int row, const QRect& rect);
  // Refuses the character column and cells past the chip; otherwise shows the cell's address.
  void CanSelectCell(int column, int row, bool& canSelect);

  // --- QAbstractItemView ---
  // Every column and the scroll bar in width; the header and kMinVisibleRows data rows at least.
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;
  QRect visualRect(const QModelIndex& index) const override;
  void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;
  QModelIndex indexAt(const QPoint& point) const override;
  void keyboardSearch(const QString& search) override;

 signals:
  // Text for the address panel after a move of the current cell ("Addr: 001F").
  void StatusText(const QString& text);
  // The selection after every move or change of bytes: start, length and byte sum.
  void SelectionInfo(int start, int length, int checksum);

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
  void keyPressEvent(QKeyEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  int ColumnAt(int x) const;
  int RowAt(int y) const;
  int DataRowCount() const { return RowCount() - 1; }
  void SetTopRow(int row);
  void UpdateColumnPositions();
  void PrepareTexts();
  // The editor moved the current byte or changed the selection.
  void CursorMoved();
  // The document's bytes changed in this range.
  void BytesChanged(TByteRange range);
  void MoveByKey(int64_t address, bool extend);
  void DrawCharCell(QPainter& canvas, int row, const QRect& rect);
  // The width of one character's slot in a text-column cell.
  int CharSlotWidth(const QRect& rect) const;

  TDocument& Doc_;
  int BytesListener_ = 0;
  THexGridModel* Model_ = nullptr;
  TBufferEditor Editor_;
  std::array<int, kColCount> ColWidths_{};
  std::array<int, kColCount + 1> ColLefts_{};
  QFont Font_;
  int Ascent_ = 0;
  int SlotWidth_ = 8;
  int32_t ShownCursor_ = 0;
  bool InputLocked_ = false;
  bool TextSide_ = false;
  bool Dragging_ = false;  // the left button went down on a byte cell and is held
  // Texts laid out once: the 256 digit pairs and the 256 glyphs with their centring offsets.
  std::array<QStaticText, 256> HexTexts_;
  std::array<QStaticText, 256> GlyphTexts_;
  std::array<int, 256> GlyphOffsets_{};
  std::vector<TAddressRange> Marks_;
  TGridColours Colours_;
};
