// Editing of the chip's bytes as the hex grid offers it, free of any GUI: the current byte and
// the selection, cell entry by hexadecimal digits, paste, fill, swap, find, undo and redo, over
// the document, which keeps the checksum, the history and the changed bytes.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "buffer/byte_search.h"
#include "buffer/document.h"
#include "buffer/edit_history.h"

enum class TPasteResult { Done, NotHex, PastEnd, NoChip };

class TBufferEditor {
 public:
  explicit TBufferEditor(TDocument& document) : Doc_(document) {}

  TDocument& Document() { return Doc_; }
  const TDocument& Document() const { return Doc_; }

  // The chip's size: bytes [0, size) can be edited. Commits an open entry; the current byte keeps
  // its column and moves up to the last row when the chip shrinks below it.
  void SetSize(int32_t size);
  int32_t Size() const { return Doc_.ChipSize(); }

  // --- current byte and selection (from the anchor to the current byte, both included) ---
  int32_t Cursor() const { return Cursor_; }
  int32_t Anchor() const { return Anchor_; }
  TByteRange Selection() const;
  // Commits an open entry, then moves the current byte (kept within the chip); extend keeps the
  // anchor, so the selection grows or shrinks, otherwise the selection is the new byte alone.
  void MoveTo(int64_t address, bool extend);
  void SelectAll();
  // Selects [start, start + length) with the current byte at its start.
  void Select(int32_t start, int32_t length);

  // --- cell entry: two hexadecimal digits per byte, as hex editors do: the first replaces the
  // high half and the entry moves to the low half, which keeps its digit until one is typed there;
  // the byte always holds what the entry shows ---
  bool Entering() const { return Entering_; }
  // The first digit typed while Entering.
  int EnteredDigit() const { return EnteredDigit_; }
  // A hexadecimal digit stores its half of the current byte; the second one moves to the next
  // byte. At the chip's last byte the entry closes there and further digits are refused until the
  // current byte moves. Any other character changes nothing and gives false.
  bool TypeHexDigit(char c);
  // A character typed in the text column: the current byte takes its code as one undo step and
  // the next byte becomes current (at the chip's last byte, further characters are refused until
  // the current byte moves). False with no chip.
  bool TypeByte(uint8_t value);
  // Keeps what the entry shows as one undo step.
  void CommitEntry();
  // Puts back the byte the entry started from.
  void CancelEntry();
  // With an entry open: cancels it; otherwise moves back one byte.
  void Backspace();
  // Forgets an open entry without writing (the document was replaced under it).
  void DropEntry() { Entering_ = false; }

  // --- commands; each commits an open entry first ---
  // Hexadecimal bytes written from the selection's start; refused whole when they run past the chip.
  TPasteResult Paste(std::string_view hexText);
  // The selection filled with the pattern repeated. False with no chip or an empty pattern.
  bool Fill(std::span<const uint8_t> pattern);
  // Swaps the bytes of each pair in the selection, or in the whole chip when one byte is
  // selected; an odd last byte stays. False with no chip.
  bool SwapPairs();
  // Selects the next match: forward from the current byte (`fromNext`: from the byte after it),
  // backward from the byte before it.
  std::optional<TFound> Find(std::span<const uint8_t> pattern, bool forward, bool fromNext);
  bool Undo();
  bool Redo();
  bool CanUndo() const { return Doc_.CanUndo(); }
  bool CanRedo() const { return Doc_.CanRedo(); }

  std::vector<uint8_t> SelectedBytes() const;
  uint16_t SelectionChecksum() const;

  // After every move of the current byte or change of the selection.
  std::function<void()> OnCursor;

 private:
  void Moved();
  int32_t Clamp(int64_t address) const;

  TDocument& Doc_;
  int32_t Cursor_ = 0;
  int32_t Anchor_ = 0;
  bool Entering_ = false;
  bool Full_ = false;  // the last byte was typed in full: no more digits there
  int EnteredDigit_ = 0;
  uint8_t EntryOriginal_ = 0;
};
