#include "app/operation_runner.h"

#include <QEventLoop>
#include <algorithm>

#include "common/error.h"

// The interface the command gets on the worker thread: every call but the progress and the stop
// request is carried to the GUI thread and waited for.
class TOperationRunner::TWorkerInterface : public TUserInterface {
 public:
  explicit TWorkerInterface(TOperationRunner& runner) : R_(runner), Inner_(runner.Inner_) {}

  // Held until the window no longer looks busy (ShowHeldBoxes); the command goes on meanwhile.
  void ShowMessage(const std::string& text) override { R_.HoldBox(TBox::Message, text); }
  void ShowInformation(const std::string& text) override { R_.HoldBox(TBox::Information, text); }
  void ShowError(const std::string& text) override { R_.HoldBox(TBox::Error, text); }
  // A notice goes to the window's notice bar (the Notice signal), not into a box.
  void ShowNotice(const std::string& text) override {
    R_.CallOnGuiThread([&] { emit R_.Notice(QString::fromStdString(text)); });
  }
  TAnswer AskWarning(const std::string& text) override {
    return Answer(TAnswer::Cancel, [&] { return Inner_.AskWarning(text); });
  }
  TAnswer AskYesNo(const std::string& text, TAnswer defaultAnswer) override {
    return Answer(TAnswer::No, [&] { return Inner_.AskYesNo(text, defaultAnswer); });
  }
  TAnswer AskSaveChanges(const std::string& text) override {
    return Answer(TAnswer::Cancel, [&] { return Inner_.AskSaveChanges(text); });
  }
  bool ExecuteOpenDialog(TFileDialog& dialog) override {
    bool chosen = false;
    R_.CallOnGuiThread([&] {
      R_.ShowHeldBoxes();
      if (!R_.Stop_) chosen = Inner_.ExecuteOpenDialog(dialog);
    });
    return chosen;
  }
  bool ExecuteSaveDialog(TFileDialog& dialog) override {
    bool chosen = false;
    R_.CallOnGuiThread([&] {
      R_.ShowHeldBoxes();
      if (!R_.Stop_) chosen = Inner_.ExecuteSaveDialog(dialog);
    });
    return chosen;
  }
  // The language's texts are the GUI thread's: looked up there.
  std::string MessageText(const std::string& key) override {
    std::string text;
    if (R_.CallOnGuiThread([&] { text = Inner_.MessageText(key); })) return text;
    text = BuiltInMessageText(key);
    return text.empty() ? std::string(kMessageNotFound) : text;
  }
  // Each change of position once. The command runs at most one change ahead of the window: it
  // waits until the window has taken the last one, so a stop acts within one step of the
  // progress bar, as it did when the window's loop turned between the steps.
  void SetProgress(int position) override {
    if (position == Position_) return;
    Position_ = position;
    {
      std::unique_lock<std::mutex> lock(R_.Mutex_);
      R_.Changed_.wait(lock, [this] { return !R_.ProgressPending_ || R_.Abandoned_; });
      if (R_.Abandoned_) return;
      R_.ProgressPending_ = true;
      R_.Position_ = position;
    }
    emit R_.ProgressWaiting(QPrivateSignal());
  }
  // Between two exchanges: waits while a stop or close question is open, then says whether to
  // stop. A stop asked for before the command's first progress acts from there on, once the
  // command has opened the chip, whatever the threads' timing.
  bool StopRequested() override {
    std::unique_lock<std::mutex> lock(R_.Mutex_);
    R_.Changed_.wait(lock, [this] { return !R_.Asking_ || R_.Abandoned_; });
    return R_.Stop_ && (Position_ >= 0 || R_.Abandoned_);
  }

 private:
  // A question keeps its place after the boxes before it. Once a stop or close is confirmed the
  // command's questions and file dialogs no longer show: they get the answer of a cancel.
  TAnswer Answer(TAnswer unanswered, const std::function<TAnswer()>& ask) {
    TAnswer answer = unanswered;
    R_.CallOnGuiThread([&] {
      R_.ShowHeldBoxes();
      if (!R_.Stop_) answer = ask();
    });
    return answer;
  }

  TOperationRunner& R_;
  TUserInterface& Inner_;
  int Position_ = -1;
};

TOperationRunner::TOperationRunner(TUserInterface& ui, QObject* parent) : QObject(parent), Inner_(ui) {
  connect(this, &TOperationRunner::CallWaiting, this, &TOperationRunner::RunCalls, Qt::QueuedConnection);
  connect(this, &TOperationRunner::ProgressWaiting, this, &TOperationRunner::TakeProgress, Qt::QueuedConnection);
  connect(this, &TOperationRunner::WorkEnded, this, &TOperationRunner::Finish, Qt::QueuedConnection);
}

TOperationRunner::~TOperationRunner() {
  blockSignals(true);
  if (Running_) Abandon();
}

bool TOperationRunner::CallOnGuiThread(const std::function<void()>& call) {
  auto c = std::make_shared<TCall>();
  c->Run = call;
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    if (Abandoned_) return false;
    Calls_.push_back(c);
  }
  emit CallWaiting(QPrivateSignal());
  std::unique_lock<std::mutex> lock(Mutex_);
  Changed_.wait(lock, [&] { return c->Done || Abandoned_; });
  return c->Done;
}

void TOperationRunner::HoldBox(TBox kind, const std::string& text) {
  std::lock_guard<std::mutex> lock(Mutex_);
  HeldBoxes_.emplace_back(kind, text);
}

void TOperationRunner::ShowHeldBoxes() {
  std::vector<std::pair<TBox, std::string>> boxes;
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    boxes.swap(HeldBoxes_);
  }
  // Once the window is to close, the outcome's box ("Operation stopped.") is not shown; errors are.
  for (const auto& [kind, text] : boxes) {
    if (kind == TBox::Error)
      Inner_.ShowError(text);
    else if (!CloseWhenDone_)
      kind == TBox::Message ? Inner_.ShowMessage(text) : Inner_.ShowInformation(text);
  }
}

void TOperationRunner::RunCalls() {
  // A box of the command waits until the stop or close question is answered.
  while (!Questioning_) {
    std::shared_ptr<TCall> c;
    {
      std::lock_guard<std::mutex> lock(Mutex_);
      if (Calls_.empty()) return;
      c = Calls_.front();
      Calls_.pop_front();
    }
    c->Run();
    {
      std::lock_guard<std::mutex> lock(Mutex_);
      c->Done = true;
    }
    Changed_.notify_all();
  }
}

void TOperationRunner::TakeProgress() {
  int position = 0;
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    if (!ProgressPending_) return;
    position = Position_;
  }
  Inner_.SetProgress(position);
  emit Progress(position);
  // Only now may the command go on to its next step: what the window did on this one (a stop)
  // comes first.
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    ProgressPending_ = false;
  }
  Changed_.notify_all();
}

bool TOperationRunner::Run(TWork work, const std::string& stopQuestionKey) {
  if (Running_) return false;
  Running_ = true;
  CloseWhenDone_ = false;
  StopQuestionKey_ = stopQuestionKey;
  Stop_ = false;
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    Calls_.clear();
    Asking_ = Abandoned_ = ProgressPending_ = WorkDone_ = false;
    Escaped_ = nullptr;
  }
  emit StateChanged(true);
  QEventLoop loop;
  connect(this, &TOperationRunner::StateChanged, &loop, [&loop](bool running) {
    if (!running) loop.quit();
  });
  Worker_ = std::thread([this, work = std::move(work)] {
    std::exception_ptr escaped;
    {
      TWorkerInterface ui(*this);
      try {
        work(ui);
      } catch (...) {
        escaped = std::current_exception();
      }
    }
    {
      std::lock_guard<std::mutex> lock(Mutex_);
      Escaped_ = escaped;
      WorkDone_ = true;
    }
    emit WorkEnded(QPrivateSignal());
  });
  loop.exec();
  // The event loop was ended from outside (the program quits): the command is stopped.
  if (Running_) Abandon();
  std::lock_guard<std::mutex> lock(Mutex_);
  return !Escaped_;
}

void TOperationRunner::Finish() {
  std::exception_ptr escaped;
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    // A late wake-up of a command that was abandoned, or one whose thread has not ended.
    if (!Running_ || !WorkDone_) return;
    escaped = Escaped_;
  }
  if (Worker_.joinable()) Worker_.join();
  // The error's box comes after the command's own boxes.
  if (escaped)
    HoldBox(TBox::Error, ErrorText(escaped, [this](const std::string& key) { return Inner_.MessageText(key); }));
  Running_ = false;
  emit StateChanged(false);
}

void TOperationRunner::Abandon() {
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    Abandoned_ = true;
    Calls_.clear();
  }
  Stop_ = true;
  Changed_.notify_all();
  Worker_.join();
  Finish();
}

bool TOperationRunner::Confirm(const std::string& key) {
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    Asking_ = true;
  }
  Questioning_ = true;
  const bool yes = Inner_.AskYesNo(Inner_.MessageText(key), TAnswer::No) == TAnswer::Yes;
  Questioning_ = false;
  {
    std::lock_guard<std::mutex> lock(Mutex_);
    Asking_ = false;
  }
  Changed_.notify_all();
  RunCalls();
  return yes;
}

void TOperationRunner::RequestStop() {
  if (!Running_ || Stop_ || Questioning_) return;
  if (!StopQuestionKey_.empty() && !Confirm(StopQuestionKey_)) return;
  Stop_ = true;
}

void TOperationRunner::RequestClose() {
  if (!Running_ || Questioning_ || CloseWhenDone_) return;
  if (!Stop_ && !Confirm(StopQuestionKey_.empty() ? "CloseWhileBusy" : StopQuestionKey_)) return;
  Stop_ = true;
  CloseWhenDone_ = true;
}
