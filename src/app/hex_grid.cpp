#include "app/hex_grid.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "app/hex_grid_model.h"
#include "common/address_text.h"
#include "common/integer.h"

namespace {

// Colours are given as 0xBBGGRR, blue in the high byte.
QColor FromBgr(uint32_t bgr) {
  return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                static_cast<int>((bgr >> 16) & 0xFF));
}

// The grid's own colours, for a light palette.
const QColor kFixedColor = FromBgr(0xD2C8A2);
const QColor kOddByteColor = FromBgr(0xE0FFFF);
const QColor kEvenByteColor = FromBgr(0xE0FFE0);
const QColor kCharColor = FromBgr(0xF0F0F0);
const QColor kGridColor = FromBgr(0xFFFFFF);
const QColor kLineColor = FromBgr(0xC0C0C0);
const QColor kEditorTextColor = FromBgr(0x008000);
// Differences found by a compare.
const QColor kMarkColor = FromBgr(0x8080FF);
// The current byte and its character: white on a dark blue fill.
const QColor kCurrentColor(0, 84, 166);
const QColor kCurrentTextColor(255, 255, 255);
// The selection: a light blue fill.
const QColor kSelectionColor(173, 214, 255);
// Bytes changed since the last load, read or write: red digits (light red on the current byte).
const QColor kChangedTextColor(200, 0, 0);
const QColor kChangedCurrentTextColor(255, 190, 190);
const QColor kDotColor(150, 150, 150);

// a, moved the share t (0 to 1) of the way to b.
QColor Mix(const QColor& a, const QColor& b, double t) {
  auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
  return QColor(channel(a.red(), b.red()), channel(a.green(), b.green()), channel(a.blue(), b.blue()));
}

// The contrast ratio of two colours by their relative luminance, from 1 (none) to 21.
double Contrast(const QColor& a, const QColor& b) {
  auto luminance = [](const QColor& c) {
    auto linear = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(c.redF()) + 0.7152 * linear(c.greenF()) + 0.0722 * linear(c.blueF());
  };
  const double la = luminance(a), lb = luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// colour, moved toward in steps until it reads against other (a contrast of 4.5): a fill under a
// text, or a text over a fill.
QColor Readable(const QColor& colour, const QColor& other, const QColor& toward) {
  QColor c = colour;
  for (int step = 1; step <= 10 && Contrast(c, other) < 4.5; ++step) c = Mix(colour, toward, step / 10.0);
  return c;
}

constexpr int kRowPitch = THexGrid::kDefaultRowHeight + THexGrid::kGridLineWidth;
constexpr int kLastByteColumn = 16;
constexpr int kCharColumn = THexGridModel::kCharColumn;
constexpr int kBytesPerRow = THexGridModel::kBytesPerRow;

int HexValue(QChar ch) {
  const char16_t c = ch.unicode();
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

bool TGridColours::Dark(const QPalette& palette) { return palette.color(QPalette::Base).lightness() < 128; }

TGridColours TGridColours::For(const QPalette& palette) {
  if (!Dark(palette))
    return {.Fixed = kFixedColor,
            .OddByte = kOddByteColor,
            .EvenByte = kEvenByteColor,
            .Char = kCharColor,
            .Back = kGridColor,
            .Line = kLineColor,
            .Text = Qt::black,
            .EditorBack = Qt::white,
            .EditorText = kEditorTextColor,
            .Mark = kMarkColor,
            .Current = kCurrentColor,
            .CurrentText = kCurrentTextColor,
            .Selection = kSelectionColor,
            .Changed = kChangedTextColor,
            .ChangedCurrent = kChangedCurrentTextColor,
            .Dot = kDotColor,
            .Hint = palette.color(QPalette::PlaceholderText)};
  TGridColours c;
  // The same hues as tints of the dark base, text in the palette's own colours.
  const QColor base = palette.color(QPalette::Base), text = palette.color(QPalette::Text);
  c.Fixed = Mix(base, kFixedColor, 0.28);
  c.OddByte = Mix(base, kOddByteColor, 0.10);
  c.EvenByte = Mix(base, kEvenByteColor, 0.07);
  c.Char = Mix(base, kCharColor, 0.05);
  c.Back = base;
  c.Line = Mix(base, text, 0.22);
  c.Text = text;
  c.EditorBack = base;
  c.EditorText = QColor(120, 220, 120);
  c.Mark = Mix(base, QColor(255, 64, 64), 0.38);
  c.CurrentText = palette.color(QPalette::HighlightedText);
  c.Current = Readable(palette.color(QPalette::Highlight), c.CurrentText, base);

  c.Changed = Readable(QColor(255, 110, 110), c.OddByte, Qt::white);
  // Dark enough for both the text and the changed bytes' digits.
  c.Selection = Readable(Readable(Mix(base, palette.color(QPalette::Highlight), 0.45), text, base), c.Changed, base);
  c.ChangedCurrent = QColor(255, 215, 215);
  c.Dot = Mix(base, text, 0.5);
  c.Hint = Mix(base, text, 0.65);
  return c;
}

THexGrid::THexGrid(QWidget* parent, TDocument& document)
    : QAbstractItemView(parent), Doc_(document), Editor_(document) {
  setObjectName("DrawGrid1");
  Colours_ = TGridColours::For(palette());
  Model_ = new THexGridModel(document, this);
  setModel(Model_);
  setSelectionMode(NoSelection);
  setEditTriggers(NoEditTriggers);
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
  Model_->SetCodePage(Model_->CodePage(), Font_);
  PrepareTexts();
  Editor_.OnCursor = [this] { CursorMoved(); };
  BytesListener_ = Doc_.BytesChanged.Connect([this](TByteRange range) { BytesChanged(range); });
  updateGeometries();
}

THexGrid::~THexGrid() {
  Editor_.OnCursor = nullptr;
  Doc_.BytesChanged.Disconnect(BytesListener_);
}

QFont THexGrid::GridFont() {
  QFont font(QStringLiteral("Courier New"));
  font.setPixelSize(13);
  font.setStyleHint(QFont::TypeWriter);
  if (!QFontInfo(font).fixedPitch()) {
    font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(13);
  }
  return font;
}

void THexGrid::PrepareTexts() {
  const QFontMetrics metrics(Font_);
  SlotWidth_ = std::max(1, metrics.horizontalAdvance(QLatin1Char('0')));
  for (int b = 0; b < 256; ++b) {
    HexTexts_[b].setText(THexGridModel::HexByte(uint8_t(b)));
    HexTexts_[b].setTextFormat(Qt::PlainText);
    HexTexts_[b].prepare(QTransform(), Font_);
    const QChar glyph = Model_->Glyph(uint8_t(b));
    GlyphTexts_[b].setText(QString(glyph));
    GlyphTexts_[b].setTextFormat(Qt::PlainText);
    GlyphTexts_[b].prepare(QTransform(), Font_);
    GlyphOffsets_[b] = glyph == QChar(THexGridModel::kDot) ? 0 : (SlotWidth_ - metrics.horizontalAdvance(glyph)) / 2;
  }
}

void THexGrid::SetCodePage(const char* codePage) {
  Model_->SetCodePage(codePage, Font_);
  PrepareTexts();
  viewport()->update();
}

const char* THexGrid::CodePage() const { return Model_->CodePage(); }

// --- size and position ---

int THexGrid::RowCount() const { return Model_->RowCount(); }

void THexGrid::SetChipSize(int32_t size) {
  // A changed row count resets the model; the editor keeps the current byte within the chip.
  Model_->SetSize(size);
  Editor_.SetSize(Model_->Size());
  updateGeometries();
  if (Editor_.Size() > 0) scrollTo(Model_->index(Row(), Col()));
  viewport()->update();
}

void THexGrid::SetRowCount(int rows) { SetChipSize(std::clamp(rows, 1, THexGridModel::kMaxRowCount) * 16 - 16); }

void THexGrid::SetColWidth(int column, int width) {
  if (column < 0 || column >= kColCount) return;
  ColWidths_[column] = std::max(width, 0);
  UpdateColumnPositions();
  updateGeometries();
  viewport()->update();
}

void THexGrid::UpdateColumnPositions() {
  ColLefts_[0] = 0;
  for (int c = 0; c < kColCount; ++c) ColLefts_[c + 1] = ColLefts_[c] + ColWidths_[c] + kGridLineWidth;
  updateGeometry();  // the window's smallest width follows the columns
}

QSize THexGrid::minimumSizeHint() const {
  const int frame = 2 * frameWidth();
  return QSize(ColLefts_[kColCount] + verticalScrollBar()->sizeHint().width() + frame,
               (kMinVisibleRows + 1) * kRowPitch + frame);
}

QSize THexGrid::sizeHint() const { return QSize(minimumSizeHint().width(), 20 * kRowPitch); }

void THexGrid::RepaintNow() { viewport()->repaint(); }

int THexGrid::Col() const { return Editor_.Size() > 0 ? Editor_.Cursor() % kBytesPerRow + 1 : -1; }

int THexGrid::Row() const { return Editor_.Size() > 0 ? Editor_.Cursor() / kBytesPerRow + 1 : -1; }

int THexGrid::TopRow() const { return verticalScrollBar()->value() + 1; }

void THexGrid::SetTopRow(int row) { verticalScrollBar()->setValue(row - 1); }

int THexGrid::VisibleRowCount() const { return std::max(1, (viewport()->height() - kDefaultRowHeight) / kRowPitch); }

int THexGrid::verticalOffset() const { return (TopRow() - 1) * kRowPitch; }

QRect THexGrid::CellRect(int column, int row) const {
  if (column < 0 || column >= kColCount || row < 0 || row >= RowCount()) return {};
  int y = 0;
  if (row > 0) {
    const int slot = row - TopRow() + 1;
    if (slot < 1) return {};
    y = slot * kRowPitch;
    if (y >= viewport()->height()) return {};
  }
  return QRect(LeftMargin() + ColLefts_[column], y, ColWidths_[column], kDefaultRowHeight);
}

int THexGrid::LeftMargin() const { return std::max(0, (viewport()->width() - ColLefts_[kColCount]) / 2); }

int32_t THexGrid::CharAddressAt(const QPoint& point) const {
  const int row = RowAt(point.y());
  if (ColumnAt(point.x()) != kCharColumn || row < 1) return -1;
  const QRect rect = CellRect(kCharColumn, row);
  const int slot = CharSlotWidth(rect);
  const int index = (point.x() - rect.left() - 1) / slot - 1;  // after the leading blank slot
  const int32_t first = THexGridModel::CellAddress(kCharColumn, row);
  if (index < 0 || index >= kBytesPerRow || first + index >= Editor_.Size()) return -1;
  return first + index;
}

int THexGrid::CharSlotWidth(const QRect& rect) const {
  return std::min(SlotWidth_, std::max(1, (rect.width() - 2) / (kBytesPerRow + 1)));
}

int THexGrid::ColumnAt(int x) const {
  x -= LeftMargin();
  if (x < 0) return -1;
  for (int c = 0; c < kColCount; ++c)
    if (x < ColLefts_[c + 1]) return c;
  return -1;
}

int THexGrid::RowAt(int y) const {
  if (y < 0) return -1;
  const int slot = y / kRowPitch;
  if (slot == 0) return 0;
  const int row = TopRow() + slot - 1;
  return row < RowCount() ? row : -1;
}

QRect THexGrid::visualRect(const QModelIndex& index) const {
  return index.isValid() ? CellRect(index.column(), index.row()) : QRect();
}

QModelIndex THexGrid::indexAt(const QPoint& point) const {
  const int column = ColumnAt(point.x()), row = RowAt(point.y());
  return column < 0 || row < 0 ? QModelIndex() : Model_->index(row, column);
}

void THexGrid::scrollTo(const QModelIndex& index, ScrollHint hint) {
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

void THexGrid::updateGeometries() {
  const int visible = VisibleRowCount();
  QScrollBar* bar = verticalScrollBar();
  bar->setRange(0, std::max(0, DataRowCount() - visible));
  bar->setPageStep(visible);
  bar->setSingleStep(1);
  horizontalScrollBar()->setRange(0, 0);
  QAbstractItemView::updateGeometries();
}

void THexGrid::scrollContentsBy(int, int) { viewport()->update(); }

// --- current cell and selection ---

void THexGrid::CursorMoved() {
  if (Editor_.Size() > 0) scrollTo(Model_->index(Row(), Col()));
  viewport()->update();
  const TByteRange selection = Editor_.Selection();
  emit SelectionInfo(selection.Start, selection.Length, Editor_.SelectionChecksum());
  // The address panel follows moves of the current byte only.
  if (Editor_.Cursor() == ShownCursor_) return;
  ShownCursor_ = Editor_.Cursor();
  emit StatusText(QStringLiteral("Addr: ") + QString::fromStdString(AddressText(ShownCursor_, Editor_.Size())));
}

void THexGrid::BytesChanged(TByteRange range) {
  // The changed rows that are in view, the partly shown bottom row included.
  const int first = std::max(range.Start / kBytesPerRow + 1, TopRow());
  const int last = std::min(
      {(std::max(range.End(), range.Start + 1) - 1) / kBytesPerRow + 1, RowCount() - 1, TopRow() + VisibleRowCount()});
  if (first <= last) {
    const int top = (first - TopRow() + 1) * kRowPitch, bottom = (last - TopRow() + 2) * kRowPitch;
    const QRect rows = QRect(0, top, viewport()->width(), bottom - top) & viewport()->rect();
    // A typed byte shows at once, with its character.
    if (last - first < 2)
      viewport()->repaint(rows);
    else
      viewport()->update(rows);
  }
  const TByteRange selection = Editor_.Selection();
  emit SelectionInfo(selection.Start, selection.Length, Editor_.SelectionChecksum());
}

bool THexGrid::SelectCell(int column, int row) {
  if (column < 1 || column >= kColCount || row < 1 || row >= RowCount()) return false;
  bool allowed = true;
  CanSelectCell(column, row, allowed);
  if (allowed) Editor_.MoveTo(THexGridModel::CellAddress(column, row), false);
  return allowed;
}

QModelIndex THexGrid::moveCursor(CursorAction, Qt::KeyboardModifiers) {
  // Keys reach the editor through keyPressEvent; the item view's own current index is unused.
  return {};
}

void THexGrid::setSelection(const QRect&, QItemSelectionModel::SelectionFlags) {}

QRegion THexGrid::visualRegionForSelection(const QItemSelection&) const { return {}; }

void THexGrid::keyboardSearch(const QString&) {
  // Typed characters edit bytes; they never search the rows.
}

// --- keys ---

void THexGrid::MoveByKey(int64_t address, bool extend) { Editor_.MoveTo(address, extend); }

void THexGrid::keyPressEvent(QKeyEvent* event) {
  if (InputLocked_) {
    event->ignore();
    return;
  }
  const int32_t size = Editor_.Size();
  const Qt::KeyboardModifiers mods = event->modifiers();
  const bool shift = mods & Qt::ShiftModifier;
  const bool ctrl = mods & Qt::ControlModifier;
  if (size <= 0) {
    event->ignore();
    return;
  }
  const int32_t cursor = Editor_.Cursor();
  const int32_t column = cursor % kBytesPerRow;
  const int32_t lastRowStart = (size - 1) / kBytesPerRow * kBytesPerRow;
  const int64_t page = int64_t(VisibleRowCount()) * kBytesPerRow;
  switch (event->key()) {
    case Qt::Key_Up:
      if (cursor >= kBytesPerRow) MoveByKey(cursor - kBytesPerRow, shift);
      break;
    case Qt::Key_Down:
      if (cursor < lastRowStart) MoveByKey(std::min(cursor + kBytesPerRow, size - 1), shift);
      break;
    case Qt::Key_Left:
      if (column > 0) MoveByKey(cursor - 1, shift);
      break;
    case Qt::Key_Right:
      if (column < kBytesPerRow - 1 && cursor + 1 < size) MoveByKey(cursor + 1, shift);
      break;
    case Qt::Key_PageUp:
      // The page scrolls with the cell, which keeps its place on the screen.
      SetTopRow(TopRow() - VisibleRowCount());
      MoveByKey(cursor - page >= 0 ? cursor - page : column, shift);
      break;
    case Qt::Key_PageDown:
      SetTopRow(TopRow() + VisibleRowCount());
      MoveByKey(cursor + page <= size - 1 ? cursor + page : std::min(lastRowStart + column, size - 1), shift);
      break;
    case Qt::Key_Home: MoveByKey(ctrl ? 0 : cursor - column, shift); break;
    case Qt::Key_End: MoveByKey(ctrl ? size - 1 : std::min(cursor - column + kBytesPerRow - 1, size - 1), shift); break;
    case Qt::Key_Enter:
    case Qt::Key_Return:
      Editor_.CommitEntry();
      viewport()->update();
      break;
    case Qt::Key_Escape:
      // An entry, then a selection are cancelled; with neither the window takes the key (it closes
      // the notice bar).
      if (Editor_.Entering()) {
        Editor_.CancelEntry();
      } else if (Editor_.Anchor() != cursor) {
        Editor_.MoveTo(cursor, false);
      } else {
        event->ignore();
        return;
      }
      break;
    case Qt::Key_Backspace:
      Editor_.Backspace();
      viewport()->update();
      break;
    default: {
      const QString text = event->text();
      if (ctrl || (mods & (Qt::AltModifier | Qt::MetaModifier)) || text.size() != 1 || !text[0].isPrint()) {
        event->ignore();
        return;
      }
      if (TextSide_) {
        // In the text column a character goes into the byte as its code in the column's code
        // page; one the code page has no byte for is refused.
        if (const int value = Model_->ByteOf(text[0]); value >= 0) Editor_.TypeByte(uint8_t(value));
        viewport()->update();
        break;
      }
      // Hexadecimal digits go into the byte; any other character is refused and changes nothing.
      if (HexValue(text[0]) >= 0) Editor_.TypeHexDigit(char(text[0].unicode()));
      break;
    }
  }
  event->accept();
}

// --- mouse ---

void THexGrid::mousePressEvent(QMouseEvent* event) {
  if (InputLocked_) {
    event->ignore();
    return;
  }
  event->accept();
  if (event->button() != Qt::LeftButton) return;
  setFocus(Qt::MouseFocusReason);
  Dragging_ = false;
  const QPoint pos = event->position().toPoint();
  const int column = ColumnAt(pos.x()), row = RowAt(pos.y());
  if (column < 1 || row < 1) return;
  // A click on a character makes its byte current; typing then goes in as characters.
  if (column == kCharColumn) {
    const int32_t address = CharAddressAt(pos);
    if (address < 0) return;
    Editor_.MoveTo(address, event->modifiers() & Qt::ShiftModifier);
    SetTextSide(true);
    return;
  }
  SetTextSide(false);
  bool allowed = true;
  CanSelectCell(column, row, allowed);
  if (allowed) Editor_.MoveTo(THexGridModel::CellAddress(column, row), event->modifiers() & Qt::ShiftModifier);
  Dragging_ = allowed;
}

void THexGrid::mouseMoveEvent(QMouseEvent* event) {
  if (InputLocked_) {
    event->ignore();
    return;
  }
  event->accept();
  // Dragging with the button held extends the selection from where the press put the anchor.
  if (!Dragging_ || !(event->buttons() & Qt::LeftButton)) return;
  const QPoint pos = event->position().toPoint();
  const int at = ColumnAt(pos.x());
  const int column = std::clamp(at >= 0 ? at : pos.x() < 0 ? 1 : kLastByteColumn, 1, kLastByteColumn);
  // Above or below the rows in view the selection goes on a row at a time, scrolling along.
  int row = RowAt(pos.y());
  if (pos.y() < kRowPitch)
    row = std::max(1, TopRow() - 1);
  else if (pos.y() >= viewport()->height() || row < 0)
    row = std::min(TopRow() + VisibleRowCount(), RowCount() - 1);
  if (row < 1) return;
  const int32_t address = std::min(THexGridModel::CellAddress(column, row), Editor_.Size() - 1);
  if (address >= 0 && address != Editor_.Cursor()) Editor_.MoveTo(address, true);
}

void THexGrid::mouseReleaseEvent(QMouseEvent* event) {
  event->setAccepted(!InputLocked_);
  Dragging_ = false;
}

void THexGrid::mouseDoubleClickEvent(QMouseEvent* event) { event->setAccepted(!InputLocked_); }

void THexGrid::changeEvent(QEvent* event) {
  // The desktop's palette changed (a dark or light theme): the colours follow it.
  if (event->type() == QEvent::PaletteChange) {
    Colours_ = TGridColours::For(palette());
    viewport()->update();
  }
  QAbstractItemView::changeEvent(event);
}

// --- painting ---

void THexGrid::paintEvent(QPaintEvent* event) {
  QPainter painter(viewport());
  const QRect area = event->rect();
  painter.fillRect(area, Colours_.Back);
  painter.setFont(Font_);
  if (DataRowCount() == 0 && !EmptyHint.isEmpty()) {
    painter.save();
    painter.setFont(font());
    painter.setPen(Colours_.Hint);
    painter.drawText(viewport()->rect().adjusted(8, kRowPitch + 16, -8, -8),
                     Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, EmptyHint);
    painter.restore();
  }

  const int top = TopRow();
  const int firstSlot = std::max(0, area.top() / kRowPitch);
  const int lastSlot = std::min(area.bottom() / kRowPitch, RowCount() - top);
  if (lastSlot < firstSlot) return;
  // Lines between all cells: the cells are painted over this, one pixel apart.
  const int left = LeftMargin();
  painter.fillRect(
      QRect(left, firstSlot * kRowPitch, ColLefts_[kColCount], (lastSlot - firstSlot + 1) * kRowPitch) & area,
      Colours_.Line);

  for (int slot = firstSlot; slot <= lastSlot; ++slot) {
    const int row = slot == 0 ? 0 : top + slot - 1;
    for (int column = 0; column < kColCount; ++column) {
      const QRect cell(left + ColLefts_[column], slot * kRowPitch, ColWidths_[column], kDefaultRowHeight);
      if (!cell.intersects(area)) continue;
      painter.fillRect(cell, row == 0 || column == 0 ? Colours_.Fixed : Colours_.Back);
      DrawCell(painter, column, row, cell);
    }
  }
}

void THexGrid::DrawCharCell(QPainter& canvas, int row, const QRect& rect) {
  canvas.fillRect(rect, Colours_.Char);
  const int32_t first = THexGridModel::CellAddress(kCharColumn, row);
  const int32_t end = std::min(first + kBytesPerRow, Editor_.Size());
  if (end <= first) return;
  // Every character has its own slot after a leading blank one, and nothing leaves the cell.
  const int slot = CharSlotWidth(rect);
  const TByteRange selection = Editor_.Selection();
  canvas.save();
  canvas.setClipRect(rect);
  for (int32_t a = first; a < end; ++a) {
    const QRect box(rect.left() + 1 + (a - first + 1) * slot, rect.top(), slot, rect.height());
    const bool current = a == Editor_.Cursor();
    if (current && TextSide_) {
      // Typing goes into the text column: its character is the current one, framed.
      canvas.fillRect(box, Colours_.Current);
      canvas.setPen(Colours_.EditorText);
      canvas.setBrush(Qt::NoBrush);
      canvas.drawRect(box.adjusted(0, 0, -1, -1));
    } else if (current)
      canvas.fillRect(box, Colours_.Current);
    else if (selection.Length > 1 && selection.Contains(a))
      canvas.fillRect(box, Colours_.Selection);
    const uint8_t value = Doc_[a];
    if (Model_->Glyph(value) == QChar(THexGridModel::kDot)) {
      canvas.setPen(Qt::NoPen);
      canvas.setBrush(current ? Colours_.CurrentText : Colours_.Dot);
      canvas.drawEllipse(QPointF(box.left() + slot / 2.0, rect.top() + rect.height() / 2.0), 1.2, 1.2);
      continue;
    }
    const bool changed = Doc_.Changed(a);
    canvas.setPen(current ? (changed ? Colours_.ChangedCurrent : Colours_.CurrentText)
                          : (changed ? Colours_.Changed : Colours_.Text));
    canvas.drawStaticText(box.left() + GlyphOffsets_[value], rect.top() + 1, GlyphTexts_[value]);
  }
  canvas.restore();
}

// --- handlers ---

void THexGrid::DrawCell(QPainter& canvas, int column, int row, const QRect& rect) {
  if (column < 0 || column >= kColCount || row < 0 || row >= RowCount()) return;
  canvas.setPen(Colours_.Text);
  if (row == 0) {
    if (column >= 1 && column <= kLastByteColumn)
      canvas.drawStaticText(rect.left() + 3, rect.top() + 1, HexTexts_[column - 1]);
    return;
  }
  if (column == 0) {
    canvas.drawText(rect.left() + 1, rect.top() + 1 + Ascent_, Model_->CellText(0, row));
    return;
  }
  if (column == kCharColumn) {
    DrawCharCell(canvas, row, rect);
    return;
  }
  const int32_t address = THexGridModel::CellAddress(column, row);
  if (address >= Editor_.Size()) return;  // past the chip's end: empty
  const bool current = address == Editor_.Cursor();
  const TByteRange selection = Editor_.Selection();
  if (current && Editor_.Entering()) {
    // An open entry: the typed high digit, then the low digit the entry stands on, marked as
    // the current half.
    canvas.fillRect(rect, Colours_.EditorBack);
    canvas.setPen(Colours_.Current);
    canvas.drawRect(rect.adjusted(0, 0, -1, -1));
    const int digitWidth = QFontMetrics(Font_).horizontalAdvance(QLatin1Char('0'));
    const QRect lowHalf(rect.left() + 1 + digitWidth, rect.top() + 1, digitWidth, rect.height() - 2);
    canvas.fillRect(lowHalf, Colours_.Current);
    canvas.setPen(Colours_.EditorText);
    canvas.drawText(rect.left() + 1, rect.top() + 1 + Ascent_,
                    QString(QChar("0123456789ABCDEF"[Editor_.EnteredDigit()])));
    canvas.setPen(Colours_.CurrentText);
    canvas.drawText(lowHalf.left(), rect.top() + 1 + Ascent_, QString(QChar("0123456789ABCDEF"[Doc_[address] & 0x0F])));
    return;
  }
  const bool changed = Doc_.Changed(address);
  if (current) {
    canvas.fillRect(rect, Colours_.Current);
    canvas.setPen(changed ? Colours_.ChangedCurrent : Colours_.CurrentText);
  } else {
    canvas.fillRect(rect, selection.Length > 1 && selection.Contains(address) ? Colours_.Selection
                          : Marked(static_cast<uint32_t>(address))            ? Colours_.Mark
                          : column % 2                                        ? Colours_.OddByte
                                                                              : Colours_.EvenByte);
    if (changed) canvas.setPen(Colours_.Changed);
  }
  canvas.drawStaticText(rect.left() + 1, rect.top() + 1, HexTexts_[Doc_[address]]);
}

void THexGrid::CanSelectCell(int column, int row, bool& canSelect) {
  canSelect = column >= 1 && column <= kLastByteColumn && THexGridModel::CellAddress(column, row) < Editor_.Size();
}

void THexGrid::SetMarks(std::vector<TAddressRange> marks) {
  if (marks.empty() && Marks_.empty()) return;
  Marks_ = std::move(marks);
  viewport()->update();
}

bool THexGrid::Marked(uint32_t address) const {
  auto it = std::upper_bound(Marks_.begin(), Marks_.end(), address,
                             [](uint32_t a, const TAddressRange& r) { return a < r.End; });
  return it != Marks_.end() && it->Start <= address;
}

void THexGrid::SetTextSide(bool text) {
  if (TextSide_ == text) return;
  Editor_.CommitEntry();
  TextSide_ = text;
  viewport()->update();
}
