#include "app/long_operation.h"

#include <QApplication>
#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QTimer>

#include "app/main_window.h"
#include "app/notice_bar.h"

namespace {

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
    case QEvent::NativeGesture:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop: return true;
    default: return false;
  }
}

// Drops the user's input to the main window while an operation runs, so that nothing is left
// queued to be delivered after it: only the Stop button gets its input, and Escape asks for a
// stop. Boxes and dialogs shown during the operation are other windows and get theirs.
class TInputFilter : public QObject {
 public:
  TInputFilter(TMainWindow& window, const QWidget* stopButton) : Window_(window), StopButton_(stopButton) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (!IsUserInput(e->type())) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != &Window_ || widget == StopButton_) return false;
    if (e->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(e);
      // Queued: the stop may ask a question, which must not run inside the event's delivery.
      if (key->key() == Qt::Key_Escape && !key->isAutoRepeat())
        QTimer::singleShot(0, &Window_, [w = &Window_] { w->StopOperation(); });
    }
    // Accepted, so that neither a parent nor a shortcut takes it.
    e->accept();
    return true;
  }

 private:
  TMainWindow& Window_;
  const QWidget* StopButton_;
};

}  // namespace

TLongOperation::TLongOperation(TMainWindow& window, std::string stopQuestionKey)
    : Window_(window), Inner_(window.Ui()), StopQuestionKey_(std::move(stopQuestionKey)) {
  if (Window_.Busy) return;
  Started_ = true;
  Window_.Notices().Clear();  // the notices are the last operation's
  Window_.Busy = true;
  Window_.LongOperation = this;
  InputFilter_ = std::make_unique<TInputFilter>(Window_, Window_.Button(TCommandId::StopOperation));
  QCoreApplication::instance()->installEventFilter(InputFilter_.get());
  if (Window_.HidDeviceController) Deferral_.emplace(*Window_.HidDeviceController);
  SincePump_.start();
}

TLongOperation::~TLongOperation() {
  if (!Started_) return;
  // Input that reached the window while no turn of the event loop ran is dropped now, not
  // delivered once the commands are enabled again.
  QCoreApplication::processEvents();
  InputFilter_.reset();
  if (CommandsDisabled_) ShowStop(false);
  Window_.LongOperation = nullptr;
  Window_.Busy = false;
  ShowHeldBoxes();
  if (CloseWhenDone_) QTimer::singleShot(0, &Window_, [w = &Window_] { w->close(); });
}

void TLongOperation::RequestStop() {
  if (Stop_ || Asking_) return;
  if (!StopQuestionKey_.empty()) {
    Asking_ = true;
    const TAnswer answer = Inner_.AskYesNo(Inner_.MessageText(StopQuestionKey_), TAnswer::No);
    Asking_ = false;
    if (answer != TAnswer::Yes) return;
  }
  Stop_ = true;
}

void TLongOperation::RequestClose() {
  if (Asking_ || CloseWhenDone_) return;
  if (!Stop_) {
    Asking_ = true;
    const std::string key = StopQuestionKey_.empty() ? "CloseWhileBusy" : StopQuestionKey_;
    const TAnswer answer = Inner_.AskYesNo(Inner_.MessageText(key), TAnswer::No);
    Asking_ = false;
    if (answer != TAnswer::Yes) return;
  }
  Stop_ = true;
  CloseWhenDone_ = true;
}

void TLongOperation::ShowMessage(const std::string& text) { ShowBox(TBox::Message, text); }
void TLongOperation::ShowInformation(const std::string& text) { ShowBox(TBox::Information, text); }
void TLongOperation::ShowError(const std::string& text) { ShowBox(TBox::Error, text); }
void TLongOperation::ShowNotice(const std::string& text) { Window_.ShowNotice(text); }

// A box while the window looks busy waits for the end; one before that (what the command tells
// before it starts the transfer) shows at once.
void TLongOperation::ShowBox(TBox kind, const std::string& text) {
  HeldBoxes_.emplace_back(kind, text);
  if (!CommandsDisabled_) ShowHeldBoxes();
}

// Once the window is to close, the outcome's box ("Operation stopped.") is not shown; errors are.
void TLongOperation::ShowHeldBoxes() {
  std::vector<std::pair<TBox, std::string>> boxes;
  boxes.swap(HeldBoxes_);
  for (const auto& [kind, text] : boxes) {
    if (kind == TBox::Error)
      Inner_.ShowError(text);
    else if (!CloseWhenDone_)
      kind == TBox::Message ? Inner_.ShowMessage(text) : Inner_.ShowInformation(text);
  }
}

// A question keeps its place after the boxes before it.
TAnswer TLongOperation::AskWarning(const std::string& text) {
  ShowHeldBoxes();
  return Inner_.AskWarning(text);
}
TAnswer TLongOperation::AskYesNo(const std::string& text, TAnswer defaultAnswer) {
  ShowHeldBoxes();
  return Inner_.AskYesNo(text, defaultAnswer);
}
TAnswer TLongOperation::AskSaveChanges(const std::string& text) {
  ShowHeldBoxes();
  return Inner_.AskSaveChanges(text);
}
bool TLongOperation::ExecuteOpenDialog(TFileDialog& dialog) { return Inner_.ExecuteOpenDialog(dialog); }
bool TLongOperation::ExecuteSaveDialog(TFileDialog& dialog) { return Inner_.ExecuteSaveDialog(dialog); }
std::string TLongOperation::MessageText(const std::string& key) { return Inner_.MessageText(key); }

// Disables the controls that start commands (those enabled now, so that they alone come back) and
// shows Stop in its own place, where no other command is, so a late click on it meets nothing;
// or the other way round: Stop goes first, then the commands come back.
void TLongOperation::ShowStop(bool running) {
  TMainWindow& w = Window_;
  QToolButton* stop = w.Button(TCommandId::StopOperation);
  if (running) {
    std::vector<QWidget*> controls = {w.MenuBar_, w.PicturePanel_};
    for (const TWindowCommand& c : WindowCommands())
      if (QToolButton* b = w.Button(c.Id); b && b != stop) controls.push_back(b);
    for (QWidget* c : controls) {
      if (!c->isEnabled()) continue;
      c->setEnabled(false);
      Disabled_.push_back(c);
    }
    stop->show();
  } else {
    stop->hide();
    for (QWidget* c : Disabled_) c->setEnabled(true);
    Disabled_.clear();
  }
}

void TLongOperation::SetProgress(int position) {
  QProgressBar* bar = Window_.ProgressBar_;
  if (bar->value() != position) {
    bar->setValue(position);
    bar->repaint();
  }
  Inner_.SetProgress(position);
  if (SincePump_.elapsed() < PumpIntervalMs) return;
  // Commands that end before the first turn never show as disabled.
  if (!CommandsDisabled_) {
    ShowStop(true);
    CommandsDisabled_ = true;
  }
  // Every event, input included: the filter drops the input to the window, so none is left to be
  // replayed after the command, and Stop and the close button act at once.
  QCoreApplication::processEvents();
  SincePump_.restart();
}
