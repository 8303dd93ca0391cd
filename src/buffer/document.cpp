#include "buffer/document.h"

#include <algorithm>
#include <cstring>

TDocument::TDocument(int32_t capacity, size_t historyCapacity)
    : Capacity_(std::max(capacity, 1)),
      Bytes_(std::make_shared<TBytes>(static_cast<size_t>(Capacity_), kBlankValue)),
      Baseline_(Bytes_),
      History_(historyCapacity),
      SavedState_(History_.StateId()) {
  RecomputeChecksum();
}

uint8_t* TDocument::Writable() {
  if (Baseline_.get() == Bytes_.get()) Baseline_ = std::make_shared<const TBytes>(*Bytes_);
  return Bytes_->data();
}

int32_t TDocument::ChecksumCount() const { return std::min(SixteenBitCount(ChipSize_), Capacity_); }

void TDocument::RecomputeChecksum() { Sum_ = ChecksumOf(*Bytes_, ChipSize_); }

void TDocument::SetChipSize(int32_t size) {
  ChipSize_ = std::clamp(size, 0, Capacity_);
  RecomputeChecksum();
}

void TDocument::Store(int32_t address, std::span<const uint8_t> bytes) {
  if (address < 0 || address >= Capacity_) return;
  const size_t n = std::min(bytes.size(), static_cast<size_t>(Capacity_ - address));
  uint8_t* data = Writable();
  const int32_t count = ChecksumCount();
  uint32_t sum = Sum_;
  for (size_t i = 0; i < n; ++i) {
    const int32_t a = address + static_cast<int32_t>(i);
    // Subtract the old byte and add the new one: the sum stays the sum of the bytes.
    if (a < count) sum += 0x10000u + bytes[i] - data[a];
    data[a] = bytes[i];
  }
  Sum_ = static_cast<uint16_t>(sum);
  Pending_ = true;
  Tell(TByteRange{address, static_cast<int32_t>(n)}, false);
}

void TDocument::Record(int32_t address, std::vector<uint8_t> before) {
  Pending_ = false;
  History_.Record({address, std::move(before)});
  Tell(std::nullopt, false);
}

bool TDocument::Change(int32_t address, std::span<const uint8_t> bytes) {
  if (address < 0 || address >= Capacity_) return false;
  const size_t n = std::min(bytes.size(), static_cast<size_t>(Capacity_ - address));
  const uint8_t* at = Bytes_->data() + address;
  if (std::equal(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n), at)) return false;
  std::vector<uint8_t> before(at, at + n);
  Store(address, bytes.first(n));
  Record(address, std::move(before));
  return true;
}

void TDocument::Settle() {
  Pending_ = false;
  Tell(std::nullopt, false);
}

void TDocument::Swap(TEditStep& step) {
  // First, so that a baseline sharing the bytes is copied before it is swapped into the step.
  uint8_t* data = Writable();
  const size_t room = static_cast<size_t>(Capacity_ - std::clamp(step.Address, 0, Capacity_));
  const size_t n = std::min(step.Bytes.size(), room);
  std::swap_ranges(data + step.Address, data + step.Address + n, step.Bytes.begin());
  if (step.Document) {
    std::swap(Origin_, step.Document->Origin);
    std::swap(SavedState_, step.Document->SavedState);
    std::swap(Baseline_, step.Document->Baseline);
  }
}

std::optional<int32_t> TDocument::Undo() {
  Pending_ = false;
  return TakeStep(History_.Undo());
}

std::optional<int32_t> TDocument::Redo() {
  Pending_ = false;
  return TakeStep(History_.Redo());
}

std::optional<int32_t> TDocument::TakeStep(TEditStep* step) {
  if (!step) return std::nullopt;
  const bool whole = step->Document.has_value();
  Swap(*step);
  RecomputeChecksum();
  Tell(TByteRange{step->Address, static_cast<int32_t>(step->Bytes.size())}, whole);
  return step->Address;
}

std::span<uint8_t> TDocument::Scratch() {
  // Scratch space that an undo step still refers to (as its baseline) is left to it.
  if (!Scratch_ || Scratch_.use_count() > 1) Scratch_ = std::make_shared<TBytes>(static_cast<size_t>(Capacity_));
  return *Scratch_;
}

void TDocument::Adopt(TDocumentOrigin origin) {
  if (!Scratch_) Scratch();
  // The same bytes again from the same origin, over an unmodified document without change marks
  // (a second read of an unchanged chip): nothing changes, so no step pushes older ones out.
  if (!Modified() && origin == Origin_ && *Scratch_ == *Bytes_ && (!Baseline_ || *Baseline_ == *Bytes_)) {
    Baseline_ = Bytes_;
    return;
  }
  std::swap(Bytes_, Scratch_);
  // The old bytes now lie in the scratch space: the step keeps the span that differs.
  const uint8_t* before = Scratch_->data();
  const uint8_t* after = Bytes_->data();
  const size_t size = static_cast<size_t>(Capacity_);
  TEditStep step;
  const auto [b, a] = std::mismatch(before, before + size, after);
  if (b != before + size) {
    size_t last = size - 1;
    while (before[last] == after[last]) --last;
    step.Address = static_cast<int32_t>(b - before);
    step.Bytes.assign(b, before + last + 1);
  }
  step.Document = TDocumentState{std::move(Origin_), SavedState_, std::move(Baseline_)};
  History_.Record(std::move(step));
  Origin_ = std::move(origin);
  SavedState_ = History_.StateId();
  Baseline_ = Bytes_;
  Pending_ = false;
  RecomputeChecksum();
  Tell(TByteRange{0, Capacity_}, true);
}

void TDocument::Clear() {
  std::span<uint8_t> s = Scratch();
  std::fill(s.begin(), s.end(), kBlankValue);
  Adopt(TDocumentOrigin::Untitled());
}

void TDocument::Saved(TDocumentOrigin origin) {
  Origin_ = std::move(origin);
  SavedState_ = History_.StateId();
  Pending_ = false;
  Tell(std::nullopt, true);
}

void TDocument::SetBaseline() {
  Baseline_ = Bytes_;
  Tell(TByteRange{0, Capacity_}, false);
}

void TDocument::Tell(std::optional<TByteRange> bytes, bool origin) {
  if (bytes && bytes->Length > 0) BytesChanged(*bytes);
  if (origin) OriginChanged();
  if (Modified() != ToldModified_) {
    ToldModified_ = Modified();
    ModifiedChanged(ToldModified_);
  }
  if (CanUndo() != ToldUndo_ || CanRedo() != ToldRedo_) {
    ToldUndo_ = CanUndo();
    ToldRedo_ = CanRedo();
    CanUndoChanged(ToldUndo_);
  }
}
