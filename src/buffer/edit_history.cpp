#include "buffer/edit_history.h"

#include <algorithm>

size_t TEditStep::Cost() const {
  size_t cost = Bytes.size();
  // A kept baseline holds a whole buffer.
  if (Document && Document->Baseline) cost += Document->Baseline->size();
  return cost;
}

void TEditHistory::Record(TEditStep step) {
  while (Steps_.size() > Next_) {
    Used_ -= Steps_.back().Cost();
    Steps_.pop_back();
  }
  step.Id = ++LastId_;
  if (step.Cost() > Capacity_) {
    Clear();
    BaseId_ = step.Id;
    return;
  }
  Used_ += step.Cost();
  Steps_.push_back(std::move(step));
  ++Next_;
  while (Used_ > Capacity_ && !Steps_.empty()) {
    Used_ -= Steps_.front().Cost();
    BaseId_ = Steps_.front().Id;
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
  step.Bytes.assign(before + first, before + last + 1);
  Record(std::move(step));
  return true;
}

TEditStep* TEditHistory::Undo() { return CanUndo() ? &Steps_[--Next_] : nullptr; }

TEditStep* TEditHistory::Redo() { return CanRedo() ? &Steps_[Next_++] : nullptr; }

void TEditHistory::Clear() {
  BaseId_ = StateId();
  Steps_.clear();
  Next_ = 0;
  Used_ = 0;
}
