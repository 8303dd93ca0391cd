// The chip commands of the toolbar and the Programmer menu: Read chip, Write chip with its
// read-back check, and Verify, on the held programmer and the runner's worker thread.
#include <iostream>
#include <optional>
#include <span>
#include <vector>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/operation_runner.h"
#include "programmer/checked_read.h"
#include "programmer/chip_operations.h"

namespace {

// The command works on a copy of the document, which the grid keeps painting meanwhile.
std::vector<uint8_t> CopyOf(std::span<const uint8_t> bytes) { return {bytes.begin(), bytes.end()}; }

}  // namespace

void TMainWindow::ReadChip() {
  // The question about unsaved changes only when there is a chip to read them over.
  if (RefuseUnusableChip(CurrentChip, Ui()) || !ConfirmDiscardChanges()) return;
  TChipRun run = TChipRun::NoProgrammer;
  TReadReport report;
  report.Marked = true;
  // The read is one undo step; only a complete read replaces the document, and the chip becomes
  // its origin. The worker fills the document's scratch, which nothing else touches meanwhile.
  ReplaceDocument([this, &run, &report](std::span<uint8_t> scratch) -> std::optional<TDocumentOrigin> {
    const TChip chip = CurrentChip;
    TCheckOptions options = CheckOptions();
    options.Report = &report;
    RunOperation([this, &run, scratch, &chip, options](TUserInterface& ui) {
      run = ReadChipChecked(Programmer, chip, scratch, ui, options);
    });
    if (run != TChipRun::Done) return std::nullopt;
    return TDocumentOrigin::ReadFromChip(chip.Name);
  });
  if (run != TChipRun::Refused && run != TChipRun::NoProgrammer) UpdateView();
  // The bytes the reads disagreed on: decided ones in a kept read, undecided ones in a refused one.
  MarkAddresses(run == TChipRun::Done ? report.Decided : report.Undecided);
}

void TMainWindow::WriteChip() {
  if (!ConfirmWriteChip()) return;
  Grid_->CommitEntry();
  TChipCheck check = TChipCheck::Refused;
  TWrittenRange written;
  RunOperation([this, &check, &written, image = CopyOf(Document_.Bytes()), chip = CurrentChip,
                options = CheckOptions()](TUserInterface& ui) {
    check = WriteAndCheckChip(Programmer, chip, image, ui, nullptr, {}, &written, options);
  });
  // A write stopped by closing the window is said on standard error too: the window is gone
  // once its last box is closed.
  if (Runner_->CloseRequested() && check != TChipCheck::Same && !written.Empty)
    std::cerr << "tesmaro: " << WrittenNote(CurrentChip, written, Ui()) << std::endl;
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
  TChipCheck check = TChipCheck::Refused;
  RunOperation([this, &check, image = CopyOf(Document_.Bytes()), chip = CurrentChip, options = CheckOptions()](
                   TUserInterface& ui) { check = ::VerifyChip(Programmer, chip, image, ui, nullptr, {}, options); });
  if (check != TChipCheck::Refused && check != TChipCheck::NoProgrammer) UpdateView();
}
