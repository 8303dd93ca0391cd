// The chip commands of the toolbar and the Programmer menu: Read chip, Write chip with its
// read-back check, and Verify, on the held programmer and the runner's worker thread.
#include <algorithm>
#include <vector>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "programmer/chip_operations.h"

namespace {

// The command works on a copy of the buffer, which the grid keeps painting meanwhile.
std::vector<uint8_t> BufferCopy() { return std::vector<uint8_t>(MemoryBuffer, MemoryBuffer + kMemoryBufferSize); }

}  // namespace

void TMainWindow::ReadChip() {
  if (!ConfirmDiscardChanges()) return;
  TChipRun run = TChipRun::NoProgrammer;
  // The read is one undo step; only a complete read counts as the chip's contents.
  ReplaceBuffer([this, &run] {
    std::vector<uint8_t> image = BufferCopy();
    RunOperation([this, &run, &image, chip = CurrentChip](TUserInterface& ui) {
      run = ReadChipTo(Programmer, chip, image, ui);
    });
    if (run != TChipRun::Done) return false;
    std::copy(image.begin(), image.end(), MemoryBuffer);
    return true;
  });
  if (run != TChipRun::Refused && run != TChipRun::NoProgrammer) UpdateView();
}

void TMainWindow::WriteChip() {
  if (!ConfirmWriteChip()) return;
  TChipCheck check = TChipCheck::Refused;
  RunOperation([this, &check, image = BufferCopy(), chip = CurrentChip](TUserInterface& ui) {
    check = WriteAndCheckChip(Programmer, chip, image, ui);
  });
  // The chip now holds the buffer: nothing is left unsaved and no byte counts as changed.
  if (check == TChipCheck::Same) {
    Grid_->Editor().SetBaseline();
    SetBufferModified(false);
  }
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}

void TMainWindow::VerifyChip() {
  TChipCheck check = TChipCheck::Refused;
  RunOperation([this, &check, image = BufferCopy(), chip = CurrentChip](TUserInterface& ui) {
    check = ::VerifyChip(Programmer, chip, image, ui);
  });
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}
