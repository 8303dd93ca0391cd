// The document: the 1 MiB image of the chip that reads fill, writes take their data from, files
// are loaded into and saved from and the grid shows and edits. It owns the bytes, their checksum
// over the chip's part, the edit history, the changed-bytes baseline, the modified state and the
// origin (new, read from a chip, a file), and tells its views about every change.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "buffer/document_origin.h"
#include "buffer/edit_history.h"
#include "buffer/memory_buffer.h"
#include "buffer/signal.h"

struct TByteRange {
  int32_t Start = 0;
  int32_t Length = 0;
  int32_t End() const { return Start + Length; }
  bool Contains(int32_t a) const { return a >= Start && a < End(); }
};

class TDocument {
 public:
  // A new document: capacity bytes of 0xFF, untitled, unmodified, nothing to undo.
  explicit TDocument(int32_t capacity = kMemoryBufferSize, size_t historyCapacity = TEditHistory::kDefaultCapacity);
  TDocument(const TDocument&) = delete;
  TDocument& operator=(const TDocument&) = delete;

  int32_t Capacity() const { return Capacity_; }
  const uint8_t* Data() const { return Bytes_->data(); }
  std::span<const uint8_t> Bytes() const { return *Bytes_; }
  uint8_t operator[](int32_t address) const { return (*Bytes_)[static_cast<size_t>(address)]; }

  // --- the chip and the checksum ---
  // The chip's size: the checksum covers its 16-bit count of bytes (SixteenBitCount).
  void SetChipSize(int32_t size);
  int32_t ChipSize() const { return ChipSize_; }
  uint16_t Checksum() const { return Sum_; }

  // --- edits ---
  // Writes bytes at address without an undo step yet (a cell entry that is still open): the
  // document counts as modified until Record or Settle.
  void Store(int32_t address, std::span<const uint8_t> bytes);
  // The bytes from address held `before` until now: one undo step.
  void Record(int32_t address, std::vector<uint8_t> before);
  // Store and Record in one; false (no step) when the bytes held these values already.
  bool Change(int32_t address, std::span<const uint8_t> bytes);
  // The stored bytes are back to what the last step left (an entry was cancelled).
  void Settle();

  // Take back or do again the last step; the address it began at, nothing when there was none.
  std::optional<int32_t> Undo();
  std::optional<int32_t> Redo();
  bool CanUndo() const { return History_.CanUndo(); }
  bool CanRedo() const { return History_.CanRedo(); }
  const TEditHistory& History() const { return History_; }

  // --- replacing the whole document (open, read, clear), all or nothing ---
  // Capacity bytes for a load or read to fill; what they hold is unspecified. Nothing changes
  // until Adopt, so a load that fails half way leaves the document as it was.
  std::span<uint8_t> Scratch();
  // The scratch becomes the document with origin, as one undo step that also takes back the
  // origin; the new bytes are unmodified and the base of the changed-byte marks. No step when an
  // unmodified document without marks gets its own bytes from its own origin again.
  void Adopt(TDocumentOrigin origin);
  // Every byte 0xFF, untitled: one undo step.
  void Clear();

  // --- origin, modified state, changed bytes ---
  const TDocumentOrigin& Origin() const { return Origin_; }
  // The bytes differ from what the origin holds: edited since the open, read or save, and not
  // undone back to it.
  bool Modified() const { return Pending_ || History_.StateId() != SavedState_; }
  // The bytes were saved to origin: it becomes the origin and the document is unmodified.
  void Saved(TDocumentOrigin origin);
  // The bytes as they are now count as unchanged for the changed-byte marks (after a chip write).
  void SetBaseline();
  bool Changed(int32_t address) const {
    return Baseline_ && (*Bytes_)[static_cast<size_t>(address)] != (*Baseline_)[static_cast<size_t>(address)];
  }

  // --- what views follow ---
  TSignal<TByteRange> BytesChanged;
  TSignal<bool> ModifiedChanged;
  TSignal<bool> CanUndoChanged;  // also when only CanRedo changed
  TSignal<> OriginChanged;

 private:
  using TBytes = std::vector<uint8_t>;
  // The bytes, about to be written: a baseline that shares them gets its own copy first.
  uint8_t* Writable();
  void Swap(TEditStep& step);
  // Applies an undo or redo step the history gave (none: nothing to do) and tells the views.
  std::optional<int32_t> TakeStep(TEditStep* step);
  int32_t ChecksumCount() const;
  void RecomputeChecksum();
  // Emits the signals whose state differs from what was last told.
  void Tell(std::optional<TByteRange> bytes, bool origin);

  int32_t Capacity_;
  std::shared_ptr<TBytes> Bytes_;
  std::shared_ptr<TBytes> Scratch_;
  std::shared_ptr<const TBytes> Baseline_;  // may share Bytes_ until the first write
  int32_t ChipSize_ = 0;
  uint16_t Sum_ = 0;
  TEditHistory History_;
  TDocumentOrigin Origin_;
  uint64_t SavedState_ = 0;
  bool Pending_ = false;
  bool ToldModified_ = false;
  bool ToldUndo_ = false;
  bool ToldRedo_ = false;
};
