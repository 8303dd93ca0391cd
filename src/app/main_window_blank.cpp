// The main window's Blank check and Erase commands, and the question before a chip is written.
#include "app/long_operation.h"
#include "app/main_window.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "programmer/blank_erase.h"

void TMainWindow::BlankCheck() {
  TLongOperation op(*this);
  if (!op.Started()) return;
  BlankCheckChip(Programmer, CurrentChip, op);
}

// The chip changes, the buffer does not: nothing to refresh.
void TMainWindow::EraseChip() {
  TLongOperation op(*this);
  if (!op.Started()) return;
  ::EraseChip(Programmer, CurrentChip, op, CheckOptions());
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
