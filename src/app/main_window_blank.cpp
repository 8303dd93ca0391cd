// The main window's Blank check and Erase commands, and the question before a chip is written.
#include "app/main_window.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "programmer/blank_erase.h"

void TMainWindow::BlankCheck() {
  RunOperation([this, chip = CurrentChip](TUserInterface& ui) { BlankCheckChip(Programmer, chip, ui); });
}

// The chip changes, the buffer does not: nothing to refresh.
void TMainWindow::EraseChip() {
  RunOperation([this, chip = CurrentChip, options = CheckOptions()](TUserInterface& ui) {
    ::EraseChip(Programmer, chip, ui, options);
  });
}

void TMainWindow::RememberAskBeforeWriting() {
  TIniFile(Options().SettingsFile)
      .WriteInteger("Main", "AskBeforeWriting", Action(TCommandId::AskBeforeWriting)->isChecked() ? 1 : 0);
}

bool TMainWindow::ConfirmWriteChip() {
  // Without a usable chip or a programmer the write only says so: there is nothing to confirm.
  if (!Action(TCommandId::AskBeforeWriting)->isChecked() || !Programmer.HeldDevice ||
      ChipUseOf(CurrentChip) != TChipUse::Usable)
    return true;
  const std::string text = FormatText(Ui().MessageText("ConfirmWrite"),
                                      {std::to_string(std::max<int32_t>(0, CurrentChip.Size)), CurrentChip.Name});
  return Ui().AskYesNo(text, TAnswer::No) == TAnswer::Yes;
}
