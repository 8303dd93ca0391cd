#include "app/hex_grid_model.h"

#include <QFontMetrics>
#include <algorithm>

#include "buffer/document.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "localization/char_sets.h"

static_assert(THexGridModel::kMaxRowCount == kMemoryBufferSize / THexGridModel::kBytesPerRow + 1);

namespace {

// Characters that draw nothing visible or that look like another one: controls, format
// characters such as the soft hyphen, spaces other than the plain space, and undefined bytes.
bool Invisible(QChar ch) {
  const char16_t u = ch.unicode();
  if (u == u' ') return false;
  if (u < 0x20 || (u >= 0x7F && u <= 0x9F) || u == 0xAD || u == 0xFFFD) return true;
  const QChar::Category c = ch.category();
  return ch.isSpace() || c == QChar::Other_Control || c == QChar::Other_Format || c == QChar::Other_NotAssigned;
}

}  // namespace

THexGridModel::THexGridModel(const TDocument& document, QObject* parent) : QAbstractTableModel(parent), Doc_(document) {
  SetCodePage(CodePage_, QFont());
}

void THexGridModel::SetSize(int32_t size) {
  size = std::clamp(size, 0, kMemoryBufferSize);
  const int rows = (size + kBytesPerRow - 1) / kBytesPerRow + 1;
  if (rows == Rows_) {
    Size_ = size;
    return;
  }
  beginResetModel();
  Rows_ = rows;
  Size_ = size;
  endResetModel();
}

void THexGridModel::SetRowCount(int rows) {
  rows = std::clamp(rows, 1, kMaxRowCount);
  SetSize((rows - 1) * kBytesPerRow);
}

void THexGridModel::SetCodePage(const char* codePage, const QFont& font) {
  CodePage_ = codePage;
  const QFontMetrics metrics(font);
  for (int b = 0; b < 256; ++b) {
    const QString s = ToUnicode(QByteArray(1, char(b)), codePage);
    const QChar ch = s.size() == 1 ? s[0] : QChar(0xFFFD);
    Glyphs_[b] = Invisible(ch) || !metrics.inFont(ch) ? QChar(kDot) : ch;
  }
}

int THexGridModel::ByteOf(QChar ch) const {
  if (ch == QChar(kDot)) return -1;
  for (int b = 0; b < 256; ++b)
    if (Glyphs_[b] == ch) return b;
  return -1;
}

const QString& THexGridModel::HexByte(uint8_t value) {
  static const std::array<QString, 256> table = [] {
    std::array<QString, 256> t;
    for (int i = 0; i < 256; ++i) t[i] = QString::fromStdString(IntToHex(i, 2));
    return t;
  }();
  return table[value];
}

QString THexGridModel::CellText(int column, int row) const {
  if (row < 0 || row >= Rows_ || column < 0 || column > kCharColumn) return {};
  if (row == 0) return column >= 1 && column <= 16 ? HexByte(uint8_t(column - 1)) : QString();
  const int32_t address = CellAddress(column, row);
  if (column == 0) return QString::fromStdString(IntToHex(address, 5));
  if (column == kCharColumn) {
    QString text(1, QLatin1Char(' '));
    for (int32_t a = address; a < std::min(address + kBytesPerRow, Size_); ++a) text += Glyphs_[Doc_[a]];
    return text;
  }
  return address < Size_ ? HexByte(Doc_[address]) : QString();
}

int THexGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Rows_; }

int THexGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColCount; }

QVariant THexGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Rows_) return {};
  if (role == Qt::DisplayRole) return CellText(index.column(), index.row());
  if (role == Qt::EditRole && IsByteCell(index.column(), index.row())) return CellText(index.column(), index.row());
  return {};
}

Qt::ItemFlags THexGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || !IsByteCell(index.column(), index.row())) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}
