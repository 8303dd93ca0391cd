#include "buffer/buffer_editor.h"

#include <algorithm>

#include "buffer/hex_text.h"
#include "buffer/memory_buffer.h"

namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

TBufferEditor::TBufferEditor(uint8_t* data, int32_t capacity, uint16_t* checksum)
    : Data_(data), Capacity_(capacity), Checksum_(checksum) {}

TBufferEditor::TBufferEditor() : TBufferEditor(MemoryBuffer, kMemoryBufferSize, &Checksum) {}

int32_t TBufferEditor::Clamp(int64_t address) const {
  if (Size_ <= 0) return 0;
  return static_cast<int32_t>(std::clamp<int64_t>(address, 0, Size_ - 1));
}

void TBufferEditor::SetSize(int32_t size) {
  CommitEntry();
  Size_ = std::clamp(size, 0, Capacity_);
  // The current byte keeps its column on the last row when the chip no longer reaches its row.
  auto keep = [this](int32_t a) {
    if (a < Size_) return a;
    const int32_t lastRow = Size_ > 0 ? (Size_ - 1) / 16 : 0;
    return Clamp(int64_t(lastRow) * 16 + a % 16);
  };
  Cursor_ = keep(Cursor_);
  Anchor_ = keep(Anchor_);
  Moved();
}

TByteRange TBufferEditor::Selection() const {
  if (Size_ <= 0) return {};
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
  if (Size_ <= 0) return;
  Anchor_ = 0;
  Cursor_ = Size_ - 1;
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
  if (d < 0 || Size_ <= 0) return false;
  if (!Entering_) {
    EntryOriginal_ = Data_[Cursor_];
    Entering_ = true;
    EnteredDigit_ = d;
    if (Anchor_ != Cursor_) {
      Anchor_ = Cursor_;
      Moved();
    }
    WriteByte(Cursor_, static_cast<uint8_t>(d << 4));
    return true;
  }
  WriteByte(Cursor_, static_cast<uint8_t>(EnteredDigit_ << 4 | d));
  CommitEntry();
  if (Cursor_ + 1 < Size_) MoveTo(Cursor_ + 1, false);
  return true;
}

void TBufferEditor::CommitEntry() {
  if (!Entering_) return;
  Entering_ = false;
  if (Data_[Cursor_] != EntryOriginal_) History_.Record({Cursor_, {EntryOriginal_}});
}

void TBufferEditor::CancelEntry() {
  if (!Entering_) return;
  Entering_ = false;
  WriteByte(Cursor_, EntryOriginal_);
}

void TBufferEditor::Backspace() {
  if (Entering_)
    CancelEntry();
  else
    MoveTo(int64_t(Cursor_) - 1, false);
}

TPasteResult TBufferEditor::Paste(std::string_view hexText) {
  CommitEntry();
  if (Size_ <= 0) return TPasteResult::NoChip;
  const auto bytes = ParseHexBytes(hexText);
  if (!bytes) return TPasteResult::NotHex;
  if (int64_t(Cursor_) + int64_t(bytes->size()) > Size_) return TPasteResult::PastEnd;
  const int32_t at = Cursor_;
  TEditStep step{at, {Data_ + at, Data_ + at + bytes->size()}};
  Write(at, bytes->data(), bytes->size());
  if (step.Bytes != *bytes) History_.Record(std::move(step));
  Select(at, static_cast<int32_t>(bytes->size()));
  return TPasteResult::Done;
}

bool TBufferEditor::Fill(std::span<const uint8_t> pattern) {
  CommitEntry();
  if (Size_ <= 0 || pattern.empty()) return false;
  const TByteRange r = Selection();
  std::vector<uint8_t> after(static_cast<size_t>(r.Length));
  for (size_t i = 0; i < after.size(); ++i) after[i] = pattern[i % pattern.size()];
  TEditStep step{r.Start, {Data_ + r.Start, Data_ + r.End()}};
  Write(r.Start, after.data(), after.size());
  if (step.Bytes != after) History_.Record(std::move(step));
  return true;
}

bool TBufferEditor::SwapPairs() {
  CommitEntry();
  if (Size_ <= 0) return false;
  TByteRange r = Selection();
  if (r.Length < 2) r = {0, Size_};
  std::vector<uint8_t> after(Data_ + r.Start, Data_ + r.End());
  for (size_t i = 0; i + 1 < after.size(); i += 2) std::swap(after[i], after[i + 1]);
  TEditStep step{r.Start, {Data_ + r.Start, Data_ + r.End()}};
  Write(r.Start, after.data(), after.size());
  if (step.Bytes != after) History_.Record(std::move(step));
  return true;
}

std::optional<TFound> TBufferEditor::Find(std::span<const uint8_t> pattern, bool forward, bool fromNext) {
  CommitEntry();
  const int64_t from = forward ? int64_t(Cursor_) + (fromNext ? 1 : 0) : int64_t(Cursor_) - 1;
  auto found = FindBytes(Data_, Size_, pattern, from, forward);
  if (found) Select(found->Address, static_cast<int32_t>(pattern.size()));
  return found;
}

bool TBufferEditor::Undo() {
  CommitEntry();
  TEditStep* step = History_.Undo();
  if (!step) return false;
  Apply(*step);
  Cursor_ = Anchor_ = Clamp(step->Address);
  Moved();
  return true;
}

bool TBufferEditor::Redo() {
  CommitEntry();
  TEditStep* step = History_.Redo();
  if (!step) return false;
  Apply(*step);
  Cursor_ = Anchor_ = Clamp(step->Address);
  Moved();
  return true;
}

std::vector<uint8_t> TBufferEditor::SelectedBytes() const {
  const TByteRange r = Selection();
  return {Data_ + r.Start, Data_ + r.End()};
}

uint16_t TBufferEditor::SelectionChecksum() const {
  const TByteRange r = Selection();
  uint32_t sum = 0;
  for (int32_t i = r.Start; i < r.End(); ++i) sum += Data_[i];
  return static_cast<uint16_t>(sum);
}

void TBufferEditor::RecordReplacement(const std::vector<uint8_t>& before) {
  Entering_ = false;
  const size_t size = std::min(before.size(), static_cast<size_t>(Capacity_));
  const bool changed = History_.RecordDifference(before.data(), Data_, size);
  RecomputeChecksum();
  if (changed) NotifyChange(TByteRange{0, Capacity_});
}

void TBufferEditor::SetBaseline() { Baseline_.assign(Data_, Data_ + Capacity_); }

void TBufferEditor::RecomputeChecksum() {
  uint32_t sum = 0;
  for (int32_t i = 0, n = ChecksumCount(); i < n; ++i) sum += Data_[i];
  *Checksum_ = static_cast<uint16_t>(sum);
}

int32_t TBufferEditor::ChecksumCount() const { return std::min(SixteenBitCount(Size_), Capacity_); }

void TBufferEditor::Write(int32_t address, const uint8_t* bytes, size_t size) {
  const int32_t count = ChecksumCount();
  uint32_t sum = *Checksum_;
  for (size_t i = 0; i < size; ++i) {
    const int32_t a = address + static_cast<int32_t>(i);
    // Subtract the old byte and add the new one: the sum stays the sum of the bytes.
    if (a < count) sum += 0x10000u + bytes[i] - Data_[a];
    Data_[a] = bytes[i];
  }
  *Checksum_ = static_cast<uint16_t>(sum);
  NotifyChange(TByteRange{address, static_cast<int32_t>(size)});
}

void TBufferEditor::WriteByte(int32_t address, uint8_t value) { Write(address, &value, 1); }

void TBufferEditor::Apply(TEditStep& step) {
  const size_t room = static_cast<size_t>(Capacity_ - std::min(step.Address, Capacity_));
  const size_t n = std::min(step.Bytes.size(), room);
  std::vector<uint8_t> now(Data_ + step.Address, Data_ + step.Address + n);
  Write(step.Address, step.Bytes.data(), n);
  step.Bytes = std::move(now);
}

void TBufferEditor::NotifyChange(TByteRange range) {
  if (OnChange) OnChange(range);
}

void TBufferEditor::Moved() {
  if (OnCursor) OnCursor();
}
