// The catalogue commands of the main window: chip selection and the supported-chips report.
#include "app/chip_dialog.h"
#include "app/hex_grid.h"
#include "app/main_window.h"
#include "catalogue/catalogue.h"
#include "catalogue/supported_chips.h"

// The chosen chip becomes CurrentChip and sizes the grid; the buffer and the settings are
// left alone (the chip is written to the settings at closing).
void TMainWindow::SelectChip() {
  ChipDialog_->MessageText = [this](const std::string& key) { return Ui().MessageText(key); };
  ChipDialog_->LoadFamilies(CurrentChip.Name);
  if (ChipDialog_->ShowModal() != QDialog::Accepted) return;
  const std::string name = ChipDialog_->SelectedChip();
  if (name.empty()) return;
  LoadChip(TCatalogue(CatalogueFiles()), name, CurrentChip);
  Grid_->SetChipSize(CurrentChip.Size);
  UpdateView();
}

void TMainWindow::ShowSupportedChips() {
  Ui().ShowMessage(SupportedChipsReport(TCatalogue(CatalogueFiles()), Ui().MessageText("SuppChips"),
                                        Ui().MessageText("NotSuppChips")));
}
