#include "buffer/edit_history.h"

#include <algorithm>

void TEditHistory::Record(TEditStep step) {
  while (Steps_.size() > Next_) {
    Used_ -= Steps_.back().Bytes();
    Steps_.pop_back();
  }
  if (step.Bytes() > Capacity_) {
    Clear();
    return;
  }
  Used_ += step.Bytes();
  Steps_.push_back(std::move(step));
  ++Next_;
  while (Used_ > Capacity_ && !Steps_.empty()) {
    Used_ -= Steps_.front().Bytes();
    Steps_.pop_front();
    --Next_;
  }
}

bool TEditHistory::RecordDifference(const uint8_t* before, const uint8_t* after, size_t size) {
  auto [b, a] = std::mismatch(before, before + size, after);
  if (b == before + size) return false;
  const size_t first = static_cast<size_t>(b - before);
  size_t last = size - 1;
  while (before[last] == after[last]) --last;
  TEditStep step;
  step.Address = static_cast<int32_t>(first);
  step.Before.assign(before + first, before + last + 1);
  step.After.assign(after + first, after + last + 1);
  Record(std::move(step));
  return true;
}

const TEditStep* TEditHistory::Undo() { return CanUndo() ? &Steps_[--Next_] : nullptr; }

const TEditStep* TEditHistory::Redo() { return CanRedo() ? &Steps_[Next_++] : nullptr; }

void TEditHistory::Clear() {
  Steps_.clear();
  Next_ = 0;
  Used_ = 0;
}
