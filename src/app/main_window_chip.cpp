// The chip commands of the toolbar and the Programmer menu: Read chip, Write chip with its
// read-back check, and Verify, on the held programmer with the progress on the progress bar.
#include "app/hex_grid.h"
#include "app/long_operation.h"
#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "programmer/chip_operations.h"

void TMainWindow::ReadChip() {
  // The question about unsaved changes only when there is a chip to read them over.
  if (RefuseUnusableChip(CurrentChip, Ui()) || !ConfirmDiscardChanges()) return;
  TChipRun run = TChipRun::NoProgrammer;
  // The read is one undo step; only a complete read counts as the chip's contents.
  ReplaceBuffer([this, &run] {
    TLongOperation op(*this);
    if (!op.Started()) return false;
    run = ReadChipTo(Programmer, CurrentChip, MemoryBuffer, op);
    return run == TChipRun::Done;
  });
  if (run != TChipRun::Refused && run != TChipRun::NoProgrammer) UpdateView();
}

// The view is refreshed before the operation ends, so its result box shows over the new view.
void TMainWindow::WriteChip() {
  if (!ConfirmWriteChip()) return;
  TLongOperation op(*this);
  if (!op.Started()) return;
  const TChipCheck check = WriteAndCheckChip(Programmer, CurrentChip, MemoryBuffer, op);
  // The chip now holds the buffer: nothing is left unsaved and no byte counts as changed.
  if (check == TChipCheck::Same) {
    Grid_->Editor().SetBaseline();
    SetBufferModified(false);
  }
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}

void TMainWindow::VerifyChip() {
  TLongOperation op(*this);
  if (!op.Started()) return;
  const TChipCheck check = ::VerifyChip(Programmer, CurrentChip, MemoryBuffer, op);
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}
