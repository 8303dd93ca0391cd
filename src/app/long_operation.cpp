#include "app/long_operation.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "app/main_window.h"

namespace {

// The controls through which the user starts commands.
void EnableCommands(Tf& w, bool enabled) {
  w.MainMenu1->setEnabled(enabled);
  w.sPanel2->setEnabled(enabled);
  w.sPanel1->setEnabled(enabled);
}

}  // namespace

TLongOperation::TLongOperation(Tf& window) : Window_(window), Inner_(window.Ui()) {
  if (Window_.Busy) return;
  Started_ = true;
  Window_.Busy = true;
  if (Window_.HidDeviceController) Deferral_.emplace(*Window_.HidDeviceController);
  SincePump_.start();
}

TLongOperation::~TLongOperation() {
  if (!Started_) return;
  if (CommandsDisabled_) EnableCommands(Window_, true);
  Window_.Busy = false;
}

void TLongOperation::ShowMessage(const std::string& text) { Inner_.ShowMessage(text); }
void TLongOperation::ShowInformation(const std::string& text) { Inner_.ShowInformation(text); }
void TLongOperation::ShowError(const std::string& text) { Inner_.ShowError(text); }
TAnswer TLongOperation::AskWarning(const std::string& text) { return Inner_.AskWarning(text); }
TAnswer TLongOperation::AskYesNo(const std::string& text, TAnswer defaultAnswer) {
  return Inner_.AskYesNo(text, defaultAnswer);
}
TAnswer TLongOperation::AskSaveChanges(const std::string& text) { return Inner_.AskSaveChanges(text); }
bool TLongOperation::ExecuteOpenDialog(TFileDialog& dialog) { return Inner_.ExecuteOpenDialog(dialog); }
bool TLongOperation::ExecuteSaveDialog(TFileDialog& dialog) { return Inner_.ExecuteSaveDialog(dialog); }
std::string TLongOperation::MessageText(const std::string& key) { return Inner_.MessageText(key); }

void TLongOperation::SetProgress(int position) {
  QProgressBar* bar = Window_.sProgressBar1;
  if (bar->value() != position) {
    bar->setValue(position);
    bar->repaint();
  }
  Inner_.SetProgress(position);
  if (SincePump_.elapsed() < PumpIntervalMs) return;
  // Paint and window-system events only: clicks and keys stay queued until the command ends, and
  // the commands are disabled and device changes held back meanwhile, so nothing re-enters.
  // Commands that end before the first turn never show as disabled.
  if (!CommandsDisabled_) {
    EnableCommands(Window_, false);
    CommandsDisabled_ = true;
  }
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  SincePump_.restart();
}
