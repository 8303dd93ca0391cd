// The main window's side of the chip commands' runner: while a command runs on its worker thread
// no other command starts, the grid takes no input, device changes are held back, the progress
// bar moves, and Stop (its button, Escape) and the close button ask the command to stop.
#include <QKeyEvent>
#include <QTimer>
#include <optional>
#include <string>
#include <utility>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/notice_bar.h"
#include "app/operation_runner.h"

void TMainWindow::CreateRunner() {
  Runner_ = std::make_unique<TOperationRunner>(Ui());
  connect(Runner_.get(), &TOperationRunner::StateChanged, this, &TMainWindow::OperationStateChanged);
  connect(Runner_.get(), &TOperationRunner::Progress, ProgressBar_, &QProgressBar::setValue);
  connect(Runner_.get(), &TOperationRunner::Notice, this,
          [this](const QString& text) { ShowNotice(text.toStdString()); });
  BusyDelay_ = new QTimer(this);
  BusyDelay_->setSingleShot(true);
  connect(BusyDelay_, &QTimer::timeout, this, [this] { ShowBusy(true); });
}

bool TMainWindow::OperationRunning() const { return Runner_ && Runner_->Running(); }

bool TMainWindow::RunOperation(std::function<void(TUserInterface&)> work, const std::string& stopQuestionKey) {
  if (OperationRunning()) return false;
  // The version panel is the window's: a version the command learns on the worker thread is
  // shown once the command has ended.
  std::optional<std::string> versionText;
  std::function<void(const std::string&)> tell =
      std::exchange(Programmer.OnVersionText, [&versionText](const std::string& text) { versionText = text; });
  const bool ran = Runner_->Run(std::move(work), stopQuestionKey);
  Programmer.OnVersionText = std::move(tell);
  if (versionText && Programmer.OnVersionText) Programmer.OnVersionText(*versionText);
  // Outside a command the result's box shows now: the window no longer looks busy.
  if (CommandDepth_ == 0) ShowHeldBoxes();
  return ran;
}

void TMainWindow::ShowHeldBoxes() {
  if (Runner_) Runner_->ShowHeldBoxes();
}

void TMainWindow::OperationStateChanged(bool running) {
  if (running) {
    Notices().Clear();  // the notices are the last command's
    // The held programmer cannot be released under the command; the device changes come after it.
    if (HidDeviceController) HeldChanges_.emplace(*HidDeviceController);
    // Opened here, so that the worker's transfers never reach the platform's device list.
    if (Programmer.HeldDevice) Programmer.HeldDevice->PrepareTransfers();
    Grid_->SetInputLocked(true);
    if (ShowBusyAfterMs <= 0)
      ShowBusy(true);
    else
      BusyDelay_->start(ShowBusyAfterMs);
    return;
  }
  BusyDelay_->stop();
  ShowBusy(false);
  Grid_->SetInputLocked(false);
  HeldChanges_.reset();
  if (Runner_->CloseRequested()) QTimer::singleShot(0, this, [this] { close(); });
}

void TMainWindow::ShowBusy(bool busy) {
  if (busy == BusyShown_) return;
  BusyShown_ = busy;
  // Stop has a place of its own, where no other command is, so a late click on it meets nothing.
  QToolButton* stop = Button(TCommandId::StopOperation);
  if (busy) {
    std::vector<QWidget*> controls = {MenuBar_, PicturePanel_};
    for (const TWindowCommand& c : WindowCommands())
      if (QToolButton* b = Button(c.Id); b && b != stop) controls.push_back(b);
    for (QWidget* c : controls) {
      if (!c->isEnabled()) continue;
      c->setEnabled(false);
      DisabledWhileBusy_.push_back(c);
    }
    stop->show();
  } else {
    stop->hide();
    for (QWidget* c : DisabledWhileBusy_) c->setEnabled(true);
    DisabledWhileBusy_.clear();
  }
}

void TMainWindow::keyPressEvent(QKeyEvent* e) {
  // Escape stops a running command; the grid passes its keys on while one runs. Queued: the stop
  // may ask a question, which must not run inside the key's delivery.
  if (OperationRunning() && e->key() == Qt::Key_Escape && !e->isAutoRepeat()) {
    QTimer::singleShot(0, this, [this] { StopOperation(); });
    e->accept();
    return;
  }
  QMainWindow::keyPressEvent(e);
}
