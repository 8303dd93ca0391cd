// Undo and redo of changes to a byte buffer. Each step keeps only the span that changed, its
// bytes before and after; the oldest steps are dropped when the history outgrows its capacity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

struct TEditStep {
  int32_t Address = 0;
  std::vector<uint8_t> Before;
  std::vector<uint8_t> After;
  size_t Bytes() const { return Before.size() + After.size(); }
};

class TEditHistory {
 public:
  static constexpr size_t kDefaultCapacity = 64u << 20;

  explicit TEditHistory(size_t capacityBytes = kDefaultCapacity) : Capacity_(capacityBytes) {}

  // A new step ends the steps that could be redone. A step that alone exceeds the capacity
  // empties the history (it can't be undone).
  void Record(TEditStep step);
  // Records the change from before[0, size) to after[0, size) as the span from the first to the
  // last differing byte. False (nothing recorded) when the two are equal.
  bool RecordDifference(const uint8_t* before, const uint8_t* after, size_t size);

  bool CanUndo() const { return Next_ > 0; }
  bool CanRedo() const { return Next_ < Steps_.size(); }
  // The step to take back (its Before bytes go into the buffer); null when there is none.
  const TEditStep* Undo();
  // The step to do again (its After bytes go into the buffer); null when there is none.
  const TEditStep* Redo();

  void Clear();
  size_t MemoryUsed() const { return Used_; }
  size_t Capacity() const { return Capacity_; }
  size_t StepCount() const { return Steps_.size(); }

 private:
  std::deque<TEditStep> Steps_;
  size_t Next_ = 0;  // steps [0, Next_) are done, [Next_, size) undone
  size_t Used_ = 0;
  size_t Capacity_;
};
