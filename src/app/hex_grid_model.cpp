#include "app/hex_grid_model.h"

#include <algorithm>
#include <array>

#include "buffer/memory_buffer.h"
#include "common/integer.h"

static_assert(THexGridModel::kMaxRowCount == kMemoryBufferSize / THexGridModel::kBytesPerRow + 1);

THexGridModel::THexGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void THexGridModel::SetRowCount(int rows) {
  rows = std::clamp(rows, 1, kMaxRowCount);
  if (rows == Rows_) return;
  beginResetModel();
  Rows_ = rows;
  endResetModel();
}

const QString& THexGridModel::HexByte(uint8_t value) {
  static const std::array<QString, 256> table = [] {
    std::array<QString, 256> t;
    for (int i = 0; i < 256; ++i) t[i] = QString::fromStdString(IntToHex(i, 2));
    return t;
  }();
  return table[value];
}

QString THexGridModel::CellText(int column, int row) {
  if (row < 0 || row >= kMaxRowCount || column < 0 || column > kCharColumn) return {};
  if (row == 0) return column >= 1 && column <= 16 ? HexByte(uint8_t(column - 1)) : QString();
  const int32_t address = CellAddress(column, row);
  if (column == 0) return QString::fromStdString(IntToHex(address, 5));
  if (column == kCharColumn) {
    // Each byte is the Latin-1 character of that code; nothing is replaced.
    return QLatin1Char(' ') +
           QString::fromLatin1(reinterpret_cast<const char*>(MemoryBuffer + address), kBytesPerRow);
  }
  return HexByte(MemoryBuffer[address]);
}

int THexGridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : Rows_; }

int THexGridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColCount; }

QVariant THexGridModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= Rows_) return {};
  if (role == Qt::DisplayRole) return CellText(index.column(), index.row());
  if (role == Qt::EditRole && IsByteCell(index.column(), index.row()))
    return CellText(index.column(), index.row());
  return {};
}

Qt::ItemFlags THexGridModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || !IsByteCell(index.column(), index.row())) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}
