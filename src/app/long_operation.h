// A long command on the main window (a chip read, write or verify, the firmware update): no other
// command starts, device changes are held back, progress goes to the progress bar, and the window
// keeps painting while the user's input to it is dropped; only Stop (its button, Escape) and
// the window's close button act, and both end the command after its current exchange.
#pragma once

#include <QElapsedTimer>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "common/user_interface.h"
#include "hid/hid_controller.h"

class QObject;
class QWidget;
class TMainWindow;

// Pass it to the command's logic as its user interface: boxes and texts go to the window's own
// interface, progress to the bar (repainted only when its position changes) and on to the
// window's interface too; StopRequested() tells the logic that the user stopped it.
class TLongOperation : public TUserInterface {
 public:
  // Least time between two turns of the event loop while the operation runs.
  static inline int PumpIntervalMs = 25;

  // stopQuestionKey: a Yes/No question asked before a stop (the firmware update's warning); empty
  // for operations that stop without asking.
  explicit TLongOperation(TMainWindow& window, std::string stopQuestionKey = {});
  // Drops the input still queued for the window, hides Stop, lets commands run again, and only then
  // shows the boxes the operation held back; closes the window afterwards when a close stopped
  // the operation.
  ~TLongOperation() override;
  TLongOperation(const TLongOperation&) = delete;
  TLongOperation& operator=(const TLongOperation&) = delete;

  // False when another long operation holds the window: the command must not run.
  bool Started() const { return Started_; }

  // The Stop button and Escape: asks the stop question if there is one, then stops.
  void RequestStop();
  // The window's close request: asks whether to stop (the stop question, or "CloseWhileBusy");
  // on Yes stops and closes the window once the operation has ended.
  void RequestClose();

  void ShowMessage(const std::string& text) override;
  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  // The window's notice bar (TMainWindow::ShowNotice), emptied when the operation starts.
  void ShowNotice(const std::string& text) override;
  TAnswer AskWarning(const std::string& text) override;
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override;
  TAnswer AskSaveChanges(const std::string& text) override;
  bool ExecuteOpenDialog(TFileDialog& dialog) override;
  bool ExecuteSaveDialog(TFileDialog& dialog) override;
  std::string MessageText(const std::string& key) override;
  // Moves the bar, then lets the event loop run, at most once per PumpIntervalMs; from the first
  // such turn to the end the menu, the toolbar and the picture are disabled and Stop shows in its
  // own place in the toolbar. Boxes shown from then on (the result) wait until the window no
  // longer looks busy.
  void SetProgress(int position) override;
  bool StopRequested() override { return Stop_; }

 private:
  void ShowStop(bool running);

  TMainWindow& Window_;
  TUserInterface& Inner_;
  std::string StopQuestionKey_;
  bool Started_ = false;
  bool CommandsDisabled_ = false;
  bool Stop_ = false;
  bool Asking_ = false;  // a stop or close question is open
  bool CloseWhenDone_ = false;
  std::vector<QWidget*> Disabled_;  // the controls disabled while it runs, enabled again at its end
  // Boxes held back while the window looks busy, in order; shown once it no longer does.
  enum class TBox { Message, Information, Error };
  std::vector<std::pair<TBox, std::string>> HeldBoxes_;
  void ShowBox(TBox kind, const std::string& text);
  void ShowHeldBoxes();
  std::unique_ptr<QObject> InputFilter_;
  std::optional<THidDeviceController::TDeferral> Deferral_;
  QElapsedTimer SincePump_;
};
