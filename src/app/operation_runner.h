// Runs one long chip command at a time (read, write, verify, blank check, erase, the firmware
// update, the version query) on a worker thread while the window's event loop goes on.
//
// The command is a GUI-free routine that speaks only through the TUserInterface it is given and
// the programmer it works on. The runner gives it an interface whose boxes, questions, file
// dialogs and message texts are carried to the GUI thread and answered there (the routine waits
// for each), whose progress reaches the window as the Progress signal, and whose stop request is
// an atomic flag set by Stop, Escape or the window's close request. The window follows
// StateChanged to disable its commands and hold device changes back; the runner touches no widget.
// The command's boxes (its result) are held until the window calls ShowHeldBoxes once it no
// longer looks busy; a question or file dialog of the command shows the boxes before it first.
//
// Data cross between the threads only through the runner's members under its mutex (or atomic);
// the queued signals that wake the GUI thread carry none, so ThreadSanitizer sees every hand-over.
#pragma once

#include <QObject>
#include <QString>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/user_interface.h"

class TOperationRunner : public QObject {
  Q_OBJECT
 public:
  // The command: runs on the worker thread with the runner's interface.
  using TWork = std::function<void(TUserInterface& ui)>;

  // ui: the window's own interface, used on the GUI thread (the thread that creates the runner).
  explicit TOperationRunner(TUserInterface& ui, QObject* parent = nullptr);
  // Stops a running command and waits for its end; a box or question it still asks for is then
  // left unshown (questions answered No or Cancel). No signal is sent.
  ~TOperationRunner() override;
  TOperationRunner(const TOperationRunner&) = delete;
  TOperationRunner& operator=(const TOperationRunner&) = delete;

  // Runs work on a worker thread and returns when it has ended; the calling thread's event loop
  // runs meanwhile, as a modal dialog's does, so the window paints and Stop acts. False without
  // running work while another command runs, and when an error escaped work (its box is held with the others).
  // stopQuestionKey: a Yes/No question asked before a stop takes effect (the firmware update's
  // warning); empty for commands that stop without asking.
  bool Run(TWork work, const std::string& stopQuestionKey = {});

  bool Running() const { return Running_; }
  // Stop (its button, Escape): asks the stop question if there is one, then asks the command to
  // stop; it ends after its current exchange. The command waits while the question is open.
  void RequestStop();
  // The window's close request: asks whether to stop (the stop question, or "CloseWhileBusy");
  // on Yes stops the command, whose outcome boxes are then no longer shown (errors are).
  void RequestClose();
  // The close request was confirmed: the window closes once the command has ended.
  bool CloseRequested() const { return CloseWhenDone_; }
  // Shows the boxes the command has shown so far, in order, and an error that escaped it last.
  // Once the close request was confirmed, only the errors are shown.
  void ShowHeldBoxes();

 signals:
  // true before the worker thread starts; false after it has ended.
  void StateChanged(bool running);
  // The command's progress, 0 to 100, each change once and in order with its boxes.
  void Progress(int position);
  // A notice of the command (a read that looks wrong), for the window's notice bar; sent on the
  // GUI thread while the command waits.
  void Notice(const QString& text);

  // The worker's wake-up calls to the GUI thread (queued; what they are about is in the members).
  void CallWaiting(QPrivateSignal);
  void ProgressWaiting(QPrivateSignal);
  void WorkEnded(QPrivateSignal);

 private:
  class TWorkerInterface;
  friend class TWorkerInterface;
  enum class TBox { Message, Information, Error };
  // Worker thread (or the GUI thread for an escaped error): keeps a box for ShowHeldBoxes.
  void HoldBox(TBox kind, const std::string& text);
  struct TCall {
    std::function<void()> Run;
    bool Done = false;
  };

  // Worker thread: runs call on the GUI thread and waits for it there; false when it was not run
  // because the runner stopped waiting (it is being destroyed).
  bool CallOnGuiThread(const std::function<void()>& call);
  // GUI thread: runs the calls that wait, unless a stop or close question is open.
  void RunCalls();
  void TakeProgress();
  void Finish();
  // Asks a Yes/No question while the command waits before its next exchange.
  bool Confirm(const std::string& key);
  // Stops the command and waits for its thread without running the event loop.
  void Abandon();

  // GUI thread only.
  TUserInterface& Inner_;
  std::string StopQuestionKey_;
  bool Running_ = false;
  bool CloseWhenDone_ = false;
  bool Questioning_ = false;  // a stop or close question is open
  std::thread Worker_;

  std::atomic<bool> Stop_{false};
  std::mutex Mutex_;
  std::condition_variable Changed_;
  // Guarded by Mutex_.
  std::deque<std::shared_ptr<TCall>> Calls_;
  std::vector<std::pair<TBox, std::string>> HeldBoxes_;
  bool Asking_ = false;           // the command waits before its next exchange while true
  bool Abandoned_ = false;        // no more calls reach the GUI thread
  bool ProgressPending_ = false;  // a position is posted that the window has not taken
  int Position_ = 0;
  bool WorkDone_ = false;
  std::exception_ptr Escaped_;
};
