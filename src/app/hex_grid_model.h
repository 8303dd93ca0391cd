// The table model behind the hex grid: 18 columns in grid coordinates (row 0 the header, column 0
// the addresses, 17 the characters) over the document. It holds the chip's size and the glyphs of
// the character column's code page, never bytes.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <array>
#include <cstdint>

class TDocument;

class THexGridModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  static constexpr int kColCount = 18;
  static constexpr int kCharColumn = 17;
  static constexpr int kBytesPerRow = 16;
  // The header row and one row for each 16 bytes of the document.
  static constexpr int kMaxRowCount = 0x100000 / kBytesPerRow + 1;
  // What the character column shows for a byte without a visible glyph.
  static constexpr char16_t kDot = u'\u00B7';

  explicit THexGridModel(const TDocument& document, QObject* parent = nullptr);

  // The chip's size, within the document: one row per 16 bytes begun, under the header row.
  void SetSize(int32_t size);
  int32_t Size() const { return Size_; }
  // Rows including the header row, kept within 1 to kMaxRowCount (a size of 16 bytes per row).
  void SetRowCount(int rows);
  int RowCount() const { return Rows_; }

  // The code page (an iconv name) of the character column and the font that draws it: bytes
  // whose character has no visible glyph there show as a dot.
  void SetCodePage(const char* codePage, const QFont& font);
  const char* CodePage() const { return CodePage_; }
  // The character a byte shows in the character column, kDot for none.
  QChar Glyph(uint8_t value) const { return Glyphs_[value]; }
  // The byte shown as this character in the text column, or -1 when none is (the dot of
  // unprintable bytes included).
  int ByteOf(QChar ch) const;

  // A byte cell within the chip: columns 1 to 16 of rows from 1 on, address below the size.
  bool IsByteCell(int column, int row) const {
    return column >= 1 && column <= 16 && row >= 1 && CellAddress(column, row) < Size_;
  }
  // The document address of a byte cell, or of the first byte of a row for columns 0 and 17.
  static int32_t CellAddress(int column, int row) {
    return (row - 1) * kBytesPerRow + (column >= 1 && column <= 16 ? column - 1 : 0);
  }
  // The text a cell shows, read from the document now (empty for the corners of the header row
  // and for cells past the chip's end).
  QString CellText(int column, int row) const;
  // Two upper-case hexadecimal digits of a byte, from a table built once.
  static const QString& HexByte(uint8_t value);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  // DisplayRole: CellText; EditRole of a byte cell: its two hexadecimal digits.
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  // Only byte cells within the chip can become current or be edited.
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  const TDocument& Doc_;
  int Rows_ = 1;
  int32_t Size_ = 0;
  const char* CodePage_ = "CP1252";
  std::array<QChar, 256> Glyphs_{};
};
