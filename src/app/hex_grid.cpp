#include "app/hex_grid.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>

#include "app/hex_grid_model.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"

namespace {

// Colours are given as 0xBBGGRR, blue in the high byte.
QColor FromBgr(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

const QColor kFixedColor = FromBgr(0xD2C8A2);
const QColor kOddByteColor = FromBgr(0xE0FFFF);
const QColor kEvenByteColor = FromBgr(0xE0FFE0);
const QColor kCharColor = FromBgr(0xF0F0F0);
const QColor kGridColor = FromBgr(0xFFFFFF);
const QColor kLineColor = FromBgr(0xC0C0C0);
const QColor kEditorTextColor = FromBgr(0x008000);

constexpr int kRowPitch = TDrawGrid::kDefaultRowHeight + TDrawGrid::kGridLineWidth;
constexpr int kLastByteColumn = 16;
constexpr int kCharColumn = THexGridModel::kCharColumn;

// The grid's mask notation (A: letter or digit, L: letter, 0: digit; lower case: optional)
// in the line editor's notation.
QString EditorMask(const QString& gridMask) {
  QString mask;
  for (QChar ch : gridMask) {
    switch (ch.unicode()) {
      case 'A': mask += QLatin1Char('N'); break;
      case 'a': mask += QLatin1Char('n'); break;
      case 'L': mask += QLatin1Char('A'); break;
      case 'l': mask += QLatin1Char('a'); break;
      case '0': mask += QLatin1Char('9'); break;
      case '9': mask += QLatin1Char('0'); break;
      default: mask += QLatin1Char('\\'); mask += ch; break;
    }
  }
  return mask;
}

bool IsAsciiLetterOrDigit(QChar ch) {
  const char16_t c = ch.unicode();
  return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

const char* const kStartTextProperty = "startText";
const char* const kColumnProperty = "cellColumn";
const char* const kRowProperty = "cellRow";

}  // namespace

// Paints every cell through DrawGrid1DrawCell and edits bytes in a masked line editor whose
// every change goes to DrawGrid1SetEditText.
class THexCellDelegate : public QStyledItemDelegate {
 public:
  explicit THexCellDelegate(TDrawGrid& grid) : QStyledItemDelegate(&grid), Grid_(grid) {}

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    Grid_.DrawGrid1DrawCell(*painter, index.column(), index.row(), option.rect);
  }

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
    const int column = index.column(), row = index.row();
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setTextMargins(0, 0, 0, 0);
    editor->setFont(TDrawGrid::GridFont());
    QPalette palette = editor->palette();
    palette.setColor(QPalette::Text, kEditorTextColor);
    editor->setPalette(palette);
    QString mask;
    Grid_.DrawGrid1GetEditMask(column, row, mask);
    editor->setInputMask(EditorMask(mask));
    editor->setProperty(kColumnProperty, column);
    editor->setProperty(kRowProperty, row);
    // The display text keeps unfilled positions as blanks, so "1" alone does not read as 0x01.
    QObject::connect(editor, &QLineEdit::textEdited, editor,
                     [this, editor, column, row] { Grid_.DrawGrid1SetEditText(column, row, editor->displayText()); });
    return editor;
  }

  void setEditorData(QWidget* editor, const QModelIndex& index) const override {
    auto* line = static_cast<QLineEdit*>(editor);
    QString text;
    Grid_.DrawGrid1GetEditText(index.column(), index.row(), text);
    line->setText(text);
    line->setProperty(kStartTextProperty, text);
    // The first key typed replaces the whole text.
    line->selectAll();
  }

  void setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex& index) const override {
    Grid_.DrawGrid1SetEditText(index.column(), index.row(), static_cast<QLineEdit*>(editor)->displayText());
  }

  void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex&) const override {
    editor->setGeometry(option.rect);
  }

 protected:
  bool eventFilter(QObject* object, QEvent* event) override {
    auto* editor = qobject_cast<QLineEdit*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(event);
      // A character that the mask refuses leaves the text as it is; the line editor would
      // otherwise clear the selected text first and so store 0.
      if (key->text().size() == 1 && key->text()[0].isPrint() && !IsAsciiLetterOrDigit(key->text()[0]))
        return true;
      switch (key->key()) {
        case Qt::Key_Enter:
        case Qt::Key_Return:
          // A cell left with one position filled already holds 0; the user may leave it.
          emit commitData(editor);
          emit closeEditor(editor, QAbstractItemDelegate::NoHint);
          return true;
        case Qt::Key_Escape:
          // Cancelling puts back the byte the cell held when editing started.
          Grid_.DrawGrid1SetEditText(editor->property(kColumnProperty).toInt(), editor->property(kRowProperty).toInt(),
                                     editor->property(kStartTextProperty).toString());
          emit closeEditor(editor, QAbstractItemDelegate::RevertModelCache);
          return true;
        default:
          break;
      }
    }
    return QStyledItemDelegate::eventFilter(object, event);
  }

 private:
  TDrawGrid& Grid_;
};

TDrawGrid::TDrawGrid(QWidget* parent) : QAbstractItemView(parent) {
  setObjectName("DrawGrid1");
  Model_ = new THexGridModel(this);
  setModel(Model_);
  Delegate_ = new THexCellDelegate(*this);
  setItemDelegate(Delegate_);
  setSelectionMode(SingleSelection);
  setSelectionBehavior(SelectItems);
  setEditTriggers(AnyKeyPressed | EditKeyPressed | DoubleClicked);
  setTabKeyNavigation(false);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
  // The rows follow the scroll box while it is dragged.
  verticalScrollBar()->setTracking(true);
  viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
  Font_ = GridFont();
  setFont(Font_);
  Ascent_ = QFontMetrics(Font_).ascent();
  ColWidths_.fill(kDefaultColWidth);
  UpdateColumnPositions();
  updateGeometries();
}

TDrawGrid::~TDrawGrid() = default;

QFont TDrawGrid::GridFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPixelSize(13);
  font.setStyleHint(QFont::TypeWriter);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
  }
  return font;
}

// --- size and position ---

int TDrawGrid::RowCount() const { return Model_->RowCount(); }

void TDrawGrid::SetRowCount(int rows) {
  const int column = Col(), row = Row();
  const int before = RowCount();
  // A changed count resets the model, which closes the editor and forgets the current cell.
  Model_->SetRowCount(rows);
  updateGeometries();
  if (RowCount() != before && DataRowCount() > 0)
    PlaceCurrent(column > 0 ? column : 1, std::clamp(row, 1, DataRowCount()));
  viewport()->update();
}

void TDrawGrid::SetColWidth(int column, int width) {
  if (column < 0 || column >= kColCount) return;
  ColWidths_[column] = std::max(width, 0);
  UpdateColumnPositions();
  updateGeometries();
  viewport()->update();
}

void TDrawGrid::UpdateColumnPositions() {
  ColLefts_[0] = 0;
  for (int c = 0; c < kColCount; ++c) ColLefts_[c + 1] = ColLefts_[c] + ColWidths_[c] + kGridLineWidth;
}

void TDrawGrid::RepaintNow() { viewport()->repaint(); }

int TDrawGrid::Col() const { return currentIndex().isValid() ? currentIndex().column() : -1; }

int TDrawGrid::Row() const { return currentIndex().isValid() ? currentIndex().row() : -1; }

int TDrawGrid::TopRow() const { return verticalScrollBar()->value() + 1; }

void TDrawGrid::SetTopRow(int row) { verticalScrollBar()->setValue(row - 1); }

int TDrawGrid::VisibleRowCount() const {
  return std::max(1, (viewport()->height() - kDefaultRowHeight) / kRowPitch);
}

int TDrawGrid::verticalOffset() const { return (TopRow() - 1) * kRowPitch; }

QRect TDrawGrid::CellRect(int column, int row) const {
  if (column < 0 || column >= kColCount || row < 0 || row >= RowCount()) return {};
  int y = 0;
  if (row > 0) {
    const int slot = row - TopRow() + 1;
    if (slot < 1) return {};
    y = slot * kRowPitch;
    if (y >= viewport()->height()) return {};
  }
  return QRect(ColLefts_[column], y, ColWidths_[column], kDefaultRowHeight);
}

int TDrawGrid::ColumnAt(int x) const {
  if (x < 0) return -1;
  for (int c = 0; c < kColCount; ++c)
    if (x < ColLefts_[c + 1]) return c;
  return -1;
}

int TDrawGrid::RowAt(int y) const {
  if (y < 0) return -1;
  const int slot = y / kRowPitch;
  if (slot == 0) return 0;
  const int row = TopRow() + slot - 1;
  return row < RowCount() ? row : -1;
}

QRect TDrawGrid::visualRect(const QModelIndex& index) const {
  return index.isValid() ? CellRect(index.column(), index.row()) : QRect();
}

QModelIndex TDrawGrid::indexAt(const QPoint& point) const {
  const int column = ColumnAt(point.x()), row = RowAt(point.y());
  return column < 0 || row < 0 ? QModelIndex() : Model_->index(row, column);
}

void TDrawGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
  if (!index.isValid() || index.row() < 1) return;
  const int row = index.row(), visible = VisibleRowCount(), top = TopRow();
  switch (hint) {
    case PositionAtTop: SetTopRow(row); break;
    case PositionAtBottom: SetTopRow(row - visible + 1); break;
    case PositionAtCenter: SetTopRow(row - visible / 2); break;
    case EnsureVisible:
      if (row < top)
        SetTopRow(row);
      else if (row >= top + visible)
        SetTopRow(row - visible + 1);
      break;
  }
}

void TDrawGrid::updateGeometries() {
  const int visible = VisibleRowCount();
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, DataRowCount() - visible));
  bar->setPageStep(visible);
  bar->setSingleStep(1);
  horizontalScrollBar()->setRange(0, 0);
  QAbstractItemView::updateGeometries();
}

void TDrawGrid::scrollContentsBy(int, int) {
  updateEditorGeometries();
  viewport()->update();
}

// --- current cell ---

void TDrawGrid::PlaceCurrent(int column, int row) {
  selectionModel()->setCurrentIndex(Model_->index(row, column), QItemSelectionModel::ClearAndSelect);
}

bool TDrawGrid::SelectCell(int column, int row) {
  if (column < 1 || column >= kColCount || row < 1 || row >= RowCount()) return false;
  bool allowed = true;
  DrawGrid1SelectCell(column, row, allowed);
  if (allowed) PlaceCurrent(column, row);
  return allowed;
}

QModelIndex TDrawGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) {
  const int rows = DataRowCount();
  if (rows < 1) return {};
  const QModelIndex current = currentIndex();
  // The grid's first cell when nothing is current yet (first focus).
  if (!current.isValid()) return Model_->index(1, 1);
  const bool ctrl = modifiers & Qt::ControlModifier;
  const int page = VisibleRowCount();
  int column = current.column(), row = current.row();
  switch (cursorAction) {
    case MoveUp: --row; break;
    case MoveDown: ++row; break;
    case MoveLeft: --column; break;
    case MoveRight: ++column; break;
    case MovePageUp:
      // The page scrolls with the cell, which keeps its place on the screen.
      row -= page;
      SetTopRow(TopRow() - page);
      break;
    case MovePageDown:
      row += page;
      SetTopRow(TopRow() + page);
      break;
    case MoveHome:
      column = 1;
      if (ctrl) row = 1;
      break;
    case MoveEnd:
      column = kLastByteColumn;
      if (ctrl) row = rows;
      break;
    case MoveNext:
      if (++column > kLastByteColumn && row < rows) column = 1, ++row;
      break;
    case MovePrevious:
      if (--column < 1 && row > 1) column = kLastByteColumn, --row;
      break;
  }
  column = std::clamp(column, 1, kLastByteColumn);
  row = std::clamp(row, 1, rows);
  if (column == current.column() && row == current.row()) return current;
  bool allowed = true;
  DrawGrid1SelectCell(column, row, allowed);
  return allowed ? Model_->index(row, column) : current;
}

void TDrawGrid::setSelection(const QRect& rect, QItemSelectionModel::SelectionFlags command) {
  const QModelIndex index = indexAt(rect.topLeft());
  if (index.isValid() && (Model_->flags(index) & Qt::ItemIsSelectable)) selectionModel()->select(index, command);
}

QRegion TDrawGrid::visualRegionForSelection(const QItemSelection& selection) const {
  QRegion region;
  const int top = TopRow(), bottom = TopRow() + VisibleRowCount();
  for (const QItemSelectionRange& range : selection)
    for (int row = std::max(range.top(), top); row <= std::min(range.bottom(), bottom); ++row)
      for (int column = range.left(); column <= range.right(); ++column) region += CellRect(column, row);
  return region;
}

void TDrawGrid::keyboardSearch(const QString&) {
  // Typed characters edit bytes; they never search the rows.
}

// --- mouse ---

void TDrawGrid::mousePressEvent(QMouseEvent* event) {
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  const QPoint pos = event->position().toPoint();
  const int column = ColumnAt(pos.x()), row = RowAt(pos.y());
  if (column >= 1 && row >= 1) SelectCell(column, row);
}

void TDrawGrid::mouseMoveEvent(QMouseEvent* event) {
  event->accept();
  // Dragging with the button held moves the current cell along.
  if (!(event->buttons() & Qt::LeftButton) || state() == EditingState) return;
  const QPoint pos = event->position().toPoint();
  const int column = ColumnAt(pos.x()), row = RowAt(pos.y());
  if (column >= 1 && row >= 1 && (column != Col() || row != Row())) SelectCell(column, row);
}

void TDrawGrid::mouseReleaseEvent(QMouseEvent* event) { event->accept(); }

void TDrawGrid::mouseDoubleClickEvent(QMouseEvent* event) {
  event->accept();
  const QModelIndex index = indexAt(event->position().toPoint());
  if (index.isValid() && index == currentIndex()) edit(index, DoubleClicked, event);
}

// --- painting ---

void TDrawGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  painter.fillRect(area, kGridColor);
  painter.setFont(Font_);

  const int top = TopRow();
  const int firstSlot = std::max(0, area.top() / kRowPitch);
  const int lastSlot = std::min(area.bottom() / kRowPitch, RowCount() - top);
  if (lastSlot < firstSlot) return;
  // Lines between all cells: the cells are painted over this, one pixel apart.
  painter.fillRect(QRect(0, firstSlot * kRowPitch, ColLefts_[kColCount], (lastSlot - firstSlot + 1) * kRowPitch) & area,
                   kLineColor);

  const QModelIndex current = currentIndex();
  QStyleOptionViewItem option;
  option.font = Font_;
  for (int slot = firstSlot; slot <= lastSlot; ++slot) {
    const int row = slot == 0 ? 0 : top + slot - 1;
    for (int column = 0; column < kColCount; ++column) {
      const QRect cell(ColLefts_[column], slot * kRowPitch, ColWidths_[column], kDefaultRowHeight);
      if (!cell.intersects(area)) continue;
      painter.fillRect(cell, row == 0 || column == 0 ? kFixedColor : kGridColor);
      option.rect = cell;
      Delegate_->paint(&painter, option, Model_->index(row, column));
      if (row == current.row() && column == current.column()) {
        painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(cell.adjusted(0, 0, -1, -1));
      }
    }
  }
}

// --- handlers ---

void TDrawGrid::DrawGrid1DrawCell(QPainter& canvas, int column, int row, const QRect& rect) {
  if (column < 0 || column >= kColCount || row < 0 || row >= RowCount()) return;
  const int baseline = rect.top() + 1 + Ascent_;
  canvas.setPen(Qt::black);
  if (row == 0) {
    if (column >= 1 && column <= kLastByteColumn)
      canvas.drawText(rect.left() + 3, baseline, THexGridModel::HexByte(uint8_t(column - 1)));
    return;
  }
  if (column >= 1 && column <= kLastByteColumn)
    canvas.fillRect(rect, column % 2 ? kOddByteColor : kEvenByteColor);
  else if (column == kCharColumn)
    canvas.fillRect(rect, kCharColor);
  canvas.drawText(rect.left() + 1, baseline, THexGridModel::CellText(column, row));
}

void TDrawGrid::DrawGrid1SelectCell(int column, int row, bool& canSelect) {
  canSelect = column <= kLastByteColumn;
  if (!canSelect) return;
  emit StatusText(QStringLiteral("Addr: ") +
                  QString::fromStdString(IntToHex(THexGridModel::CellAddress(column, row), 4)));
}

void TDrawGrid::DrawGrid1GetEditMask(int, int, QString& value) { value = QStringLiteral("AA"); }

void TDrawGrid::DrawGrid1GetEditText(int column, int row, QString& value) {
  value = THexGridModel::CellText(column, row);
}

void TDrawGrid::DrawGrid1SetEditText(int column, int row, const QString& value) {
  if (!THexGridModel::IsByteCell(column, row) || row >= RowCount()) return;
  // A text that does not read as hexadecimal (a blank position, a letter beyond F) stores 0.
  const int32_t number = ReadIntegerOr("$" + value.toStdString(), 0);
  MemoryBuffer[THexGridModel::CellAddress(column, row)] = uint8_t(number & 0xFF);
  const QRect chars = CellRect(kCharColumn, row);
  if (!chars.isEmpty()) viewport()->repaint(chars);
}
