// The chip commands of the toolbar and the Programmer menu: Read chip, Write chip with its
// read-back check, and Verify, on the held programmer with the progress on the progress bar.
#include "app/hex_grid.h"
#include "app/long_operation.h"
#include "app/main_window.h"
#include "programmer/checked_read.h"
#include "programmer/chip_operations.h"

void TMainWindow::ReadChip() {
  // The question about unsaved changes only when there is a chip to read them over.
  if (RefuseUnusableChip(CurrentChip, Ui()) || !ConfirmDiscardChanges()) return;
  TChipRun run = TChipRun::NoProgrammer;
  // The read is one undo step; only a complete read replaces the document, and the chip becomes
  // its origin.
  ReplaceDocument([this, &run](std::span<uint8_t> scratch) -> std::optional<TDocumentOrigin> {
    TLongOperation op(*this);
    if (!op.Started()) return std::nullopt;
    run = ReadChipChecked(Programmer, CurrentChip, scratch, op, CheckOptions());
    if (run != TChipRun::Done) return std::nullopt;
    return TDocumentOrigin::ReadFromChip(CurrentChip.Name);
  });
  if (run != TChipRun::Refused && run != TChipRun::NoProgrammer) UpdateView();
}

// The view is refreshed before the operation ends, so its result box shows over the new view.
void TMainWindow::WriteChip() {
  if (!ConfirmWriteChip()) return;
  Grid_->CommitEntry();
  TLongOperation op(*this);
  if (!op.Started()) return;
  const TChipCheck check =
      WriteAndCheckChip(Programmer, CurrentChip, Document_.Bytes(), op, nullptr, {}, nullptr, CheckOptions());
  // The chip now holds the document: no byte counts as changed. A document of a file stays
  // modified until the file is saved; one of a chip, or a new one, now has this chip as origin.
  if (check == TChipCheck::Same) {
    Document_.SetBaseline();
    if (!Document_.Origin().IsFile()) Document_.Saved(TDocumentOrigin::ReadFromChip(CurrentChip.Name));
  }
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}

void TMainWindow::VerifyChip() {
  Grid_->CommitEntry();
  TLongOperation op(*this);
  if (!op.Started()) return;
  const TChipCheck check = ::VerifyChip(Programmer, CurrentChip, Document_.Bytes(), op, nullptr, {}, CheckOptions());
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}
