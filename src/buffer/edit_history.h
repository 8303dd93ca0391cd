// Undo and redo of changes to a byte buffer. Each step keeps only the span that changed, holding
// the bytes that the buffer does not hold now: undoing and redoing a step both swap its bytes with
// the buffer's. The oldest steps are dropped when the history outgrows its capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "buffer/document_origin.h"

// What a step that replaced a whole document swaps besides bytes: the other side's origin, its
// saved state and its changed-bytes baseline.
struct TDocumentState {
  TDocumentOrigin Origin;
  uint64_t SavedState = 0;
  std::shared_ptr<const std::vector<uint8_t>> Baseline;
};

struct TEditStep {
  TEditStep() = default;
  TEditStep(int32_t address, std::vector<uint8_t> bytes) : Address(address), Bytes(std::move(bytes)) {}

  int32_t Address = 0;
  std::vector<uint8_t> Bytes;              // what the buffer held before (done) or after (undone)
  std::optional<TDocumentState> Document;  // for a replacement of the whole document
  uint64_t Id = 0;                         // given by the history
  size_t Cost() const;
};

class TEditHistory {
 public:
  static constexpr size_t kDefaultCapacity = 64u << 20;

  explicit TEditHistory(size_t capacityBytes = kDefaultCapacity) : Capacity_(capacityBytes) {}

  // A new step ends the steps that could be redone. A step that alone exceeds the capacity
  // empties the history (it can't be undone).
  void Record(TEditStep step);
  // Records the change from before[0, size) to after[0, size) as the span from the first to the
  // last differing byte, keeping before's bytes. False (nothing recorded) when the two are equal.
  bool RecordDifference(const uint8_t* before, const uint8_t* after, size_t size);

  bool CanUndo() const { return Next_ > 0; }
  bool CanRedo() const { return Next_ < Steps_.size(); }
  // The step to take back: the caller swaps its bytes with the buffer's. Null when there is none.
  TEditStep* Undo();
  // The step to do again, swapped the same way; null when there is none.
  TEditStep* Redo();

  // Names the state the buffer is in: the id of the last step done, or of the state the history
  // started from. Equal ids mean equal bytes, as far as the history knows.
  uint64_t StateId() const { return Next_ > 0 ? Steps_[Next_ - 1].Id : BaseId_; }

  void Clear();
  size_t MemoryUsed() const { return Used_; }
  size_t Capacity() const { return Capacity_; }
  size_t StepCount() const { return Steps_.size(); }

 private:
  std::deque<TEditStep> Steps_;
  size_t Next_ = 0;  // steps [0, Next_) are done, [Next_, size) undone
  size_t Used_ = 0;
  size_t Capacity_;
  uint64_t BaseId_ = 0;  // the state before the first step kept
  uint64_t LastId_ = 0;
};
