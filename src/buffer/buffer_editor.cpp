#include "buffer/buffer_editor.h"

#include <algorithm>

#include "buffer/hex_text.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int32_t TBufferEditor::Clamp(int64_t address) const {
  if (Size() <= 0) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(address, 0, Size() - 1));
}

void TBufferEditor::SetSize(int32_t size) {
  CommitEntry();
  Doc_.SetChipSize(size);
  // The current byte keeps its column on the last row when the chip no longer reaches its row.
  auto keep = [this](int32_t a) {
    if (a < Size()) return a;
    const int32_t lastRow = Size() > 0 ? (Size() - 1) / 16 : 0;
    return Clamp(int64_t(lastRow) * 16 + a % 16);
  };
  Cursor_ = keep(Cursor_);
  Anchor_ = keep(Anchor_);
  Moved();
}

TByteRange TBufferEditor::Selection() const {
  if (Size() <= 0) return {};
  const int32_t lo = std::min(Cursor_, Anchor_), hi = std::max(Cursor_, Anchor_);
  return {lo, hi - lo + 1};
}

void TBufferEditor::MoveTo(int64_t address, bool extend) {
  CommitEntry();
  Cursor_ = Clamp(address);
  if (!extend) Anchor_ = Cursor_;
  Moved();
}

void TBufferEditor::SelectAll() {
  CommitEntry();
  if (Size() <= 0) return;
  Anchor_ = 0;
  Cursor_ = Size() - 1;
  Moved();
}

void TBufferEditor::Select(int32_t start, int32_t length) {
  CommitEntry();
  Cursor_ = Clamp(start);
  Anchor_ = Clamp(int64_t(start) + std::max(length, 1) - 1);
  Moved();
}

bool TBufferEditor::TypeHexDigit(char c) {
  const int d = HexValue(c);
  if (d < 0 || Size() <= 0 || (Full_ && !Entering_)) return false;
  if (!Entering_) {
    EntryOriginal_ = Doc_[Cursor_];
    Entering_ = true;
    EnteredDigit_ = d;
    if (Anchor_ != Cursor_) {
      Anchor_ = Cursor_;
      Moved();
    }
    // The digit replaces the high half only; the low half keeps its digit until one is typed.
    const uint8_t value = static_cast<uint8_t>(d << 4 | (EntryOriginal_ & 0x0F));
    Doc_.Store(Cursor_, {&value, 1});
    return true;
  }
  const uint8_t value = static_cast<uint8_t>(EnteredDigit_ << 4 | d);
  Doc_.Store(Cursor_, {&value, 1});
  CommitEntry();
  if (Cursor_ + 1 < Size())
    MoveTo(Cursor_ + 1, false);
  else
    Full_ = true;  // the chip ends here: the byte stays as typed
  return true;
}

bool TBufferEditor::TypeByte(uint8_t value) {
  if (Size() <= 0 || Full_) return false;
  CommitEntry();
  if (Anchor_ != Cursor_) {
    Anchor_ = Cursor_;
    Moved();
  }
  const uint8_t original = Doc_[Cursor_];
  Doc_.Store(Cursor_, {&value, 1});
  if (value != original)
    Doc_.Record(Cursor_, {original});
  else
    Doc_.Settle();
  if (Cursor_ + 1 < Size())
    MoveTo(Cursor_ + 1, false);
  else
    Full_ = true;
  return true;
}

void TBufferEditor::CommitEntry() {
  if (!Entering_) return;
  Entering_ = false;
  if (Doc_[Cursor_] != EntryOriginal_)
    Doc_.Record(Cursor_, {EntryOriginal_});
  else
    Doc_.Settle();
}

void TBufferEditor::CancelEntry() {
  if (!Entering_) return;
  Entering_ = false;
  Doc_.Store(Cursor_, {&EntryOriginal_, 1});
  Doc_.Settle();
}

void TBufferEditor::Backspace() {
  if (Entering_)
    CancelEntry();
  else
    MoveTo(int64_t(Cursor_) - 1, false);
}

TPasteResult TBufferEditor::Paste(std::string_view hexText) {
  CommitEntry();
  if (Size() <= 0) return TPasteResult::NoChip;
  const auto bytes = ParseHexBytes(hexText);
  if (!bytes) return TPasteResult::NotHex;
  const int32_t at = Selection().Start;
  if (int64_t(at) + int64_t(bytes->size()) > Size()) return TPasteResult::PastEnd;
  Doc_.Change(at, *bytes);
  Select(at, static_cast<int32_t>(bytes->size()));
  return TPasteResult::Done;
}

bool TBufferEditor::Fill(std::span<const uint8_t> pattern) {
  CommitEntry();
  if (Size() <= 0 || pattern.empty()) return false;
  const TByteRange r = Selection();
  std::vector<uint8_t> after(static_cast<size_t>(r.Length));
  for (size_t i = 0; i < after.size(); ++i) after[i] = pattern[i % pattern.size()];
  Doc_.Change(r.Start, after);
  return true;
}

bool TBufferEditor::SwapPairs() {
  CommitEntry();
  if (Size() <= 0) return false;
  TByteRange r = Selection();
  if (r.Length < 2) r = {0, Size()};
  std::vector<uint8_t> after(Doc_.Data() + r.Start, Doc_.Data() + r.End());
  for (size_t i = 0; i + 1 < after.size(); i += 2) std::swap(after[i], after[i + 1]);
  Doc_.Change(r.Start, after);
  return true;
}

std::optional<TFound> TBufferEditor::Find(std::span<const uint8_t> pattern, bool forward, bool fromNext) {
  CommitEntry();
  const int64_t from = forward ? int64_t(Cursor_) + (fromNext ? 1 : 0) : int64_t(Cursor_) - 1;
  auto found = FindBytes(Doc_.Data(), Size(), pattern, from, forward);
  if (found) Select(found->Address, static_cast<int32_t>(pattern.size()));
  return found;
}

bool TBufferEditor::Undo() {
  CommitEntry();
  const std::optional<int32_t> at = Doc_.Undo();
  if (!at) return false;
  Cursor_ = Anchor_ = Clamp(*at);
  Moved();
  return true;
}

bool TBufferEditor::Redo() {
  CommitEntry();
  const std::optional<int32_t> at = Doc_.Redo();
  if (!at) return false;
  Cursor_ = Anchor_ = Clamp(*at);
  Moved();
  return true;
}

std::vector<uint8_t> TBufferEditor::SelectedBytes() const {
  const TByteRange r = Selection();
  return {Doc_.Data() + r.Start, Doc_.Data() + r.End()};
}

uint16_t TBufferEditor::SelectionChecksum() const {
  const TByteRange r = Selection();
  uint32_t sum = 0;
  for (int32_t i = r.Start; i < r.End(); ++i) sum += Doc_[i];
  return static_cast<uint16_t>(sum);
}

void TBufferEditor::Moved() {
  Full_ = false;
  if (OnCursor) OnCursor();
}
