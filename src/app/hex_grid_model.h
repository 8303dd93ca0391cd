// The table model behind the hex grid: 18 columns in grid coordinates (row 0 the header, column 0
// the addresses, 17 the characters) over MemoryBuffer. It holds only the row count, never bytes.
#pragma once

#include <QAbstractTableModel>
#include <cstdint>

class THexGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kColCount = 18;
  static constexpr int kCharColumn = 17;
  static constexpr int kBytesPerRow = 16;
  // The header row and one row for each 16 bytes of MemoryBuffer.
  static constexpr int kMaxRowCount = 0x100000 / kBytesPerRow + 1;

  explicit THexGridModel(QObject* parent = nullptr);

  // Rows including the header row, kept within 1 to kMaxRowCount so no row lies beyond MemoryBuffer.
  void SetRowCount(int rows);
  int RowCount() const { return Rows_; }

  // A byte cell: columns 1 to 16 of rows from 1 on.
  static bool IsByteCell(int column, int row) { return column >= 1 && column <= 16 && row >= 1; }
  // The MemoryBuffer index of a byte cell, or of the first byte of a row for columns 0 and 17.
  static int32_t CellAddress(int column, int row) {
    return (row - 1) * kBytesPerRow + (column >= 1 && column <= 16 ? column - 1 : 0);
  }
  // The text a cell shows, read from MemoryBuffer now (empty for the corners of the header row).
  static QString CellText(int column, int row);
  // Two upper-case hexadecimal digits of a byte, from a table built once.
  static const QString& HexByte(uint8_t value);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  // DisplayRole: CellText; EditRole of a byte cell: its two hexadecimal digits.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // Only byte cells can become current or be edited.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  int Rows_ = 1;
};
