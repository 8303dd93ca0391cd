// The main window's checks of what it reads: the notice bar, Options > "Read twice and compare"
// and "Keep the chip's contents before writing", Programmer > Detect size and File > Restore chip
// contents.
#include <algorithm>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/notice_bar.h"
#include "app/restore_dialog.h"
#include "catalogue/catalogue.h"
#include "common/error.h"
#include "common/ini_file.h"
#include "programmer/chip_backups.h"
#include "programmer/size_detection.h"

namespace {
const char* const kMainSection = "Main";
}

void TMainWindow::ShowNotice(const std::string& text) {
  NoticeBar_->Add(QString::fromStdString(text));
  Ui().ShowNotice(text);
}

TCheckOptions TMainWindow::CheckOptions() const {
  TCheckOptions o;
  o.Reads = Action(TCommandId::ReadTwice)->isChecked() ? 2 : 1;
  o.OnDisagreement = TDisagreement::KeepMajority;
  if (Action(TCommandId::KeepContents)->isChecked()) o.BackupFolder = Options_.BackupFolder;
  o.UnreliableBackup = "BackupUnreliableWindow";
  o.BackupsKept = kBackupsKept;
  return o;
}

void TMainWindow::RememberChecks() {
  TIniFile settings(Options().SettingsFile);
  settings.WriteInteger(kMainSection, "ReadTwice", Action(TCommandId::ReadTwice)->isChecked() ? 1 : 0);
  settings.WriteInteger(kMainSection, "KeepContents", Action(TCommandId::KeepContents)->isChecked() ? 1 : 0);
}

void TMainWindow::LoadCheckSettings(const TIniFile& settings) {
  Action(TCommandId::ReadTwice)->setChecked(settings.ReadInteger(kMainSection, "ReadTwice", 0) != 0);
  Action(TCommandId::KeepContents)->setChecked(settings.ReadInteger(kMainSection, "KeepContents", 1) != 0);
}

void TMainWindow::SelectChipNamed(const std::string& name) {
  LoadChip(TCatalogue(CatalogueFiles()), name, CurrentChip);
  Grid_->SetChipSize(CurrentChip.Size);
  UpdateView();
}

void TMainWindow::MarkAddresses(const std::vector<uint32_t>& addresses) {
  std::vector<TAddressRange> marks;
  for (const uint32_t a : addresses) {
    if (!marks.empty() && marks.back().End == a)
      ++marks.back().End;
    else
      marks.push_back({a, a + 1});
  }
  if (!marks.empty()) Grid_->SetMarks(std::move(marks));
}

void TMainWindow::DetectSize() {
  TSizeDetection found;
  if (!RunOperation(
          [this, &found, chip = CurrentChip](TUserInterface& ui) { found = DetectChipSize(Programmer, chip, ui); }))
    return;
  const std::string text = SizeDetectionText(found, CurrentChip, Ui());
  if (found.Result != TSizeDetection::Found && found.Result != TSizeDetection::TypeLimit) {
    if (!text.empty()) Ui().ShowMessage(text);
    return;
  }
  const std::vector<TChip> chips = ChipsOfTypeAndSize(TCatalogue(CatalogueFiles()), CurrentChip.ChipType, found.Size);
  const std::string said = text + "\n\r" + DetectedChipsText(chips, Ui());
  const bool selected =
      std::any_of(chips.begin(), chips.end(), [&](const TChip& c) { return c.Name == CurrentChip.Name; });
  if (chips.empty() || selected) {
    Ui().ShowInformation(said);
    return;
  }
  // A chip of the selected one's family first.
  auto offer = std::find_if(chips.begin(), chips.end(), [&](const TChip& c) { return c.Family == CurrentChip.Family; });
  if (offer == chips.end()) offer = chips.begin();
  if (Ui().AskYesNo(said + "\n\r" + FormatText(Ui().MessageText("DetectSelect"), {offer->Name}), TAnswer::No) ==
      TAnswer::Yes)
    SelectChipNamed(offer->Name);
}

void TMainWindow::RestoreChipContents() {
  if (RefuseUnusableChip(CurrentChip, Ui())) return;
  const std::vector<TBackup> backups =
      Options_.BackupFolder.empty() ? std::vector<TBackup>{} : ListBackups(Options_.BackupFolder);
  if (backups.empty()) {
    Ui().ShowMessage(Ui().MessageText("RestoreNone"));
    return;
  }
  TRestoreDialog dialog(this, backups, CurrentChip.Name, [this](const std::string& key) { return MessageText(key); });
  if (dialog.exec() != QDialog::Accepted || dialog.Chosen() < 0) return;
  RunOperation(
      [this, chip = CurrentChip, backup = backups[static_cast<size_t>(dialog.Chosen())],
       options = CheckOptions()](TUserInterface& ui) { RestoreBackup(Programmer, chip, backup, ui, options); });
}
