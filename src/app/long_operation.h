// A long command on the main window (a chip read, write or verify): no other command starts and
// the window does not close, device changes are held back, progress goes to sProgressBar1, and
// the window keeps painting and answering the desktop while user input waits for the end.
#pragma once

#include <QElapsedTimer>
#include <optional>

#include "common/user_interface.h"
#include "hid/hid_controller.h"

class Tf;

// Pass it to the command's logic as its user interface: boxes and texts go to the window's own
// interface, progress to the bar (repainted only when its position changes) and on to the
// window's interface too.
class TLongOperation : public TUserInterface {
 public:
  // Least time between two turns of the event loop while the operation runs.
  static inline int PumpIntervalMs = 25;

  explicit TLongOperation(Tf& window);
  ~TLongOperation() override;
  TLongOperation(const TLongOperation&) = delete;
  TLongOperation& operator=(const TLongOperation&) = delete;

  // False when another long operation holds the window: the command must not run.
  bool Started() const { return Started_; }

  void ShowMessage(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  TAnswer AskWarning(const std::string& text) override;
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override;
  TAnswer AskSaveChanges(const std::string& text) override;
  bool ExecuteOpenDialog(TFileDialog& dialog) override;
  bool ExecuteSaveDialog(TFileDialog& dialog) override;
  std::string MessageText(const std::string& key) override;
  // Moves the bar, then lets the event loop handle everything but user input, at most once per
  // PumpIntervalMs; from the first such turn to the end the menu, the toolbar and the picture
  // are disabled.
  void SetProgress(int position) override;

 private:
  Tf& Window_;
  TUserInterface& Inner_;
  bool Started_ = false;
  bool CommandsDisabled_ = false;
  std::optional<THidDeviceController::TDeferral> Deferral_;
  QElapsedTimer SincePump_;
};
