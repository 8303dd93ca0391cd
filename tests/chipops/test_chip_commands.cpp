// The main window's Read chip, Write chip and Verify commands on the simulated programmer,
// offscreen: buffer, boxes, the progress bar, and what may happen while a command runs.
#include <QtTest>
#include <algorithm>
#include <filesystem>
#include <iostream>
#include <sstream>
#include <utility>

#include "app/hex_grid.h"
#include "app/main_window.h"
#include "app/status_bar.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "common/scripted_user_interface.h"
#include "hid/simulated_platform.h"
#include "simulator/simulated_programmer.h"
#include "support/document_bytes.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

constexpr size_t kChipSize = 0x20000;  // a type 2 chip: 4096 read blocks

uint8_t Pattern(size_t i) { return static_cast<uint8_t>(i * 29 + (i >> 9) + 3); }

// Counts the paint events of one widget.
class TPaintCounter : public QObject {
 public:
  int Paints = 0;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) ++Paints;
    return false;
  }
};

// Runs action when watched gets an event of type.
class TEventHook : public QObject {
 public:
  TEventHook(QObject* watched, QEvent::Type type, std::function<void()> action)
      : Type_(type), Action_(std::move(action)) {
    watched->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == Type_) Action_();
    return false;
  }

 private:
  QEvent::Type Type_;
  std::function<void()> Action_;
};

using TKind = TScriptedUserInterface::TKind;

// The scripted interface, with hooks that run when a box is shown (once the command has ended)
// and when the progress moves (while it runs).
class TTestUi : public TScriptedUserInterface {
 public:
  std::function<void()> WhenShown;
  std::function<void(int)> WhenProgress;
  void SetProgress(int position) override {
    TScriptedUserInterface::SetProgress(position);
    if (WhenProgress) WhenProgress(position);
  }
  void ShowMessage(const std::string& text) override {
    TScriptedUserInterface::ShowMessage(text);
    if (WhenShown) WhenShown();
  }
  void ShowInformation(const std::string& text) override {
    TScriptedUserInterface::ShowInformation(text);
    if (WhenShown) WhenShown();
  }
};

// Queues the input of a user's click on w, as the window system does while a command runs.
void PostClick(QWidget* w, QEvent::Type second = QEvent::MouseButtonPress) {
  const QPointF at = QRectF(w->rect()).center();
  for (QEvent::Type type : {second, QEvent::MouseButtonRelease})
    QCoreApplication::postEvent(
        w, new QMouseEvent(type, at, w->mapToGlobal(at), Qt::LeftButton,
                           type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier));
}

void PostKeys(QWidget* w, const QString& keys) {
  for (QChar k : keys)
    for (QEvent::Type type : {QEvent::KeyPress, QEvent::KeyRelease})
      QCoreApplication::postEvent(w, new QKeyEvent(type, k.toUpper().unicode(), Qt::NoModifier, QString(k)));
}

size_t Count(const TSimulatedProgrammer& device, uint8_t command, uint8_t sub) {
  return static_cast<size_t>(std::count_if(device.Sent.begin(), device.Sent.end(),
                                           [&](const auto& r) { return r[1] == command && r[2] == sub; }));
}

std::vector<std::pair<TKind, std::string>> Boxes(const TScriptedUserInterface& ui) {
  std::vector<std::pair<TKind, std::string>> out;
  for (const auto& s : ui.Shown) out.emplace_back(s.Kind, s.Text);
  return out;
}

bool DocumentIs(TMainWindow& f, const std::vector<uint8_t>& bytes) {
  return std::equal(bytes.begin(), bytes.end(), f.Document().Data());
}

// The window's document holding each byte of bytes from 0 (a test's starting point).
void SetDocument(TMainWindow& f, const std::vector<uint8_t>& bytes) { SetBytes(f.Document(), 0, bytes); }

std::vector<uint8_t> Inverted(const std::vector<uint8_t>& bytes) {
  std::vector<uint8_t> out(bytes);
  for (uint8_t& b : out) b = static_cast<uint8_t>(~b);
  return out;
}

std::vector<uint8_t> Counting(size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i);
  return out;
}

// Stop shows where no other toolbar button is, so a click meant for it never runs a command.
bool StopHasAPlaceOfItsOwn(const QWidget& f) {
  const QToolButton* stop = Button(f, "sSpeedButton9");
  for (const QToolButton* b : f.findChildren<QToolButton*>())
    if (b != stop && b->isVisible() && b->geometry().intersects(stop->geometry())) return false;
  return stop->parentWidget() == Button(f, "sSpeedButton8")->parentWidget();
}

bool Sent(const TSimulatedProgrammer& device, uint8_t command) {
  return std::any_of(device.Sent.begin(), device.Sent.end(), [&](const auto& r) { return r[1] == command; });
}

}  // namespace

class TestChipCommands : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TTempDir> Dir_;
  std::unique_ptr<TTestUi> Ui_;
  std::unique_ptr<TMainWindow> F_;
  std::vector<uint8_t> Image_;

 private slots:
  void init() {
    Dir_ = std::make_unique<TTempDir>();
    Dir_->Write("see.ini", "[24C1024]\ntype=2\n24C1024=1,131072,32,0,5\n");
    // Writes go ahead without the question before writing (its own tests ask it).
    Dir_->Write("tesmaro.ini", "[Main]\nChip=24C1024\nAskBeforeWriting=0\n");
    Image_.resize(kChipSize);
    for (size_t i = 0; i < kChipSize; ++i) Image_[i] = Pattern(i);
    Dir_->Write("chip.bin", std::string(Image_.begin(), Image_.end()));
    TStartOptions o = WindowOptionsIn(*Dir_);
    o.Simulate = true;
    o.SimulateImage = Dir_->File("chip.bin");
    Ui_ = std::make_unique<TTestUi>();
    F_ = std::make_unique<TMainWindow>(o, Ui_.get());
    F_->show();
    F_->Activate();
    QTRY_VERIFY(F_->Programmer.HeldDevice != nullptr);
    QCOMPARE(F_->CurrentChip.Size, int32_t(kChipSize));
    F_->HidDeviceController->ReadTimeoutMs = 10;
    F_->SimulatedProgrammer->RecordReports = true;
    Ui_->Shown.clear();
  }

  void cleanup() {
    TMainWindow::ShowBusyAfterMs = 25;
    F_.reset();
    Ui_.reset();
    Dir_.reset();
  }

  void readWriteAndVerify() {
    TMainWindow& f = *F_;
    TPaintCounter paints;
    ProgressBar(f)->installEventFilter(&paints);
    QSignalSpy moves(ProgressBar(f), &QProgressBar::valueChanged);

    Action(f, "ReadChip1")->trigger();
    QVERIFY(Ui_->Shown.empty());
    QVERIFY(DocumentIs(f, Image_));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum),
             QString::fromStdString("Chk: " + IntToHex(ChecksumOf(f.Document().Bytes(), kChipSize), 4)));
    // 4096 steps move the bar through 1..100 and back to 0, one repaint per move.
    QCOMPARE(moves.count(), 101);
    QCOMPARE(moves.last().at(0).toInt(), 0);
    QVERIFY2(paints.Paints <= 110, qPrintable(QString::number(paints.Paints)));

    SetDocument(f, Inverted(Image_));
    Action(f, "Program2")->trigger();
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{{TKind::Information, "Programming OK"}}));
    QVERIFY(std::equal(f.SimulatedProgrammer->Chip.begin(), f.SimulatedProgrammer->Chip.begin() + kChipSize,
                       f.Document().Data()));
    QCOMPARE(Dir_->Read("chip.bin").size(), kChipSize);
    QCOMPARE(static_cast<uint8_t>(Dir_->Read("chip.bin")[kChipSize - 1]), f.Document()[kChipSize - 1]);

    Ui_->Shown.clear();
    Button(f, "sSpeedButton5")->click();
    // The image file is the chip: one bit of its last byte changes.
    std::string chip = Dir_->Read("chip.bin");
    chip[kChipSize - 1] = static_cast<char>(chip[kChipSize - 1] ^ 0x80);
    Dir_->Write("chip.bin", chip);
    Action(f, "VerifyAl1")->trigger();
    const std::string where = "First difference at 0x" + IntToHex(kChipSize - 1, 4) + ": chip " +
                              IntToHex(f.SimulatedProgrammer->Chip[kChipSize - 1], 2) + ", expected " +
                              IntToHex(f.Document()[kChipSize - 1], 2) + "; 1 byte differs.";
    QCOMPARE(Boxes(*Ui_),
             (std::vector<std::pair<TKind, std::string>>{{TKind::Information, "Verification OK"},
                                                         {TKind::Error, "Verification failed!\n\r" + where}}));
    QCOMPARE(ProgressBar(f)->value(), 0);
  }

  // While a command runs the event loop turns, but no command starts, the window does not close
  // and a device change waits for the end.
  void nothingReentersWhileACommandRuns() {
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    bool ran = false, busy = false, commandsEnabled = true, heldSame = false;
    THidDevice* held = f.Programmer.HeldDevice;
    QTimer::singleShot(0, &f, [&] {
      ran = true;
      busy = f.OperationRunning();
      commandsEnabled = Button(f, "sSpeedButton4")->isEnabled() || MenuBar(f)->isEnabled();
      Button(f, "sSpeedButton4")->click();
      Action(f, "Program2")->trigger();
      f.VerifyChip();
      f.close();
      TSimulatedHidDeviceInfo other;
      other.VendorID = 0x1234;
      other.ProductID = 0x0001;
      static_cast<TSimulatedHidPlatform&>(f.HidDeviceController->Platform()).PlugIn(other);
      f.HidDeviceController->CheckForChanges();
      heldSame = f.Programmer.HeldDevice == held;
    });
    f.ReadChip();

    QVERIFY(ran);
    QVERIFY(busy);
    QVERIFY(!commandsEnabled);
    QVERIFY(heldSame);
    QVERIFY(f.isVisible());
    QVERIFY(!Sent(*f.SimulatedProgrammer, CmdWrite));
    QVERIFY(!Sent(*f.SimulatedProgrammer, CmdVersion));
    // The close request asked whether to stop; the scripted answer No let the read finish.
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{
                              {TKind::Question, "An operation is running. Stop it and close the window?"}}));
    QVERIFY(DocumentIs(f, Image_));
    QVERIFY(!f.OperationRunning());
    QVERIFY(Button(f, "sSpeedButton4")->isEnabled() && MenuBar(f)->isEnabled() &&
            Named<QFrame>(f, "sPanel1")->isEnabled());
    // The held-back device change comes once the command has ended.
    QTRY_VERIFY(Sent(*f.SimulatedProgrammer, CmdVersion));
  }

  // Stop, by its button or by Escape, ends Read, Write and Verify after the current exchange: the
  // chip is closed, the buffer and the grid keep their bytes, the bar is back at 0 and Stop gives
  // the Clear button its place back.
  void stop_data() {
    QTest::addColumn<int>("command");  // 0 read, 1 write, 2 verify
    QTest::addColumn<bool>("escape");
    for (int command : {0, 1, 2})
      for (bool escape : {false, true})
        QTest::newRow(qPrintable(QString("%1 %2").arg(command).arg(escape ? "escape" : "button"))) << command << escape;
  }
  void stop() {
    QFETCH(int, command);
    QFETCH(bool, escape);
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    SetDocument(f, Inverted(Image_));
    f.UpdateView();
    const std::vector<uint8_t> before(f.Document().Data(), f.Document().Data() + kChipSize);
    const QString checksum = StatusBar(f)->PanelText(TStatusPanel::Checksum);
    const QString firstCell = Grid(f)->model()->index(1, 1).data().toString();
    bool stopShown = false;
    QTimer::singleShot(0, &f, [&] {
      stopShown = Button(f, "sSpeedButton9")->isVisible() && Button(f, "sSpeedButton9")->isEnabled() &&
                  !Button(f, "sSpeedButton9")->icon().isNull() && StopHasAPlaceOfItsOwn(f);
      if (escape)
        QTest::keyClick(Grid(f), Qt::Key_Escape);
      else
        QTest::mouseClick(Button(f, "sSpeedButton9"), Qt::LeftButton);
    });
    (command == 0   ? Button(f, "sSpeedButton3")
     : command == 1 ? Button(f, "sSpeedButton4")
                    : Button(f, "sSpeedButton5"))
        ->click();

    QVERIFY(stopShown);
    // A write that sent pages says which range of the chip it wrote, in an error box.
    const size_t pages = Count(*f.SimulatedProgrammer, CmdWrite, 1);
    const std::pair<TKind, std::string> said =
        pages == 0 ? std::pair{TKind::Message, std::string("Operation stopped.")}
                   : std::pair{TKind::Error,
                               "Operation stopped.\n\rThe chip is partly written: 0x0000\xE2\x80\x93"
                               "0x" +
                                   IntToHex(static_cast<int64_t>(pages * 32 - 1), 4) +
                                   " of 0x0000\xE2\x80\x93"
                                   "0x1FFFF; its contents are now mixed."};
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{said}));
    QVERIFY(DocumentIs(f, before));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Checksum), checksum);
    QCOMPARE(Grid(f)->model()->index(1, 1).data().toString(), firstCell);
    QCOMPARE(ProgressBar(f)->value(), 0);
    const TSimulatedProgrammer& device = *f.SimulatedProgrammer;
    QVERIFY(Count(device, CmdRead, 1) + Count(device, CmdWrite, 1) < kChipSize / 64);
    // No read-back after a stopped write: no read follows its first page.
    if (command == 1) {
      const auto firstWrite =
          std::find_if(device.Sent.begin(), device.Sent.end(), [](const auto& r) { return r[1] == CmdWrite; });
      QVERIFY(std::none_of(firstWrite, device.Sent.end(), [](const auto& r) { return r[1] == CmdRead; }));
    }
    QCOMPARE(int(device.Sent.back()[1]), int(CmdChipAccess));
    QCOMPARE(int(device.Sent.back()[2]), 2);
    QVERIFY(Button(f, "sSpeedButton9")->isHidden() && !Button(f, "sSpeedButton8")->isHidden());
    QVERIFY(Button(f, "sSpeedButton4")->isEnabled() && MenuBar(f)->isEnabled() && !f.OperationRunning());
  }

  // The result box of a command shows once the window no longer looks busy: Stop gone, the
  // commands back, the view and the document's state refreshed. Stop never stood where a command's button is.
  void resultShowsOnceTheWindowNoLongerLooksBusy() {
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    std::vector<uint8_t> bytes(kChipSize);
    for (size_t i = 0; i < kChipSize; ++i) bytes[i] = static_cast<uint8_t>(i * 7);
    f.Document().Change(0, bytes);  // an edit: the document is modified until the write
    const QString checksum = QString::fromStdString("Chk: " + IntToHex(ChecksumOf(f.Document().Bytes(), kChipSize), 4));
    bool stopPlaced = false;
    QTimer::singleShot(0, &f,
                       [&] { stopPlaced = Button(f, "sSpeedButton9")->isVisible() && StopHasAPlaceOfItsOwn(f); });
    std::vector<QString> atBox;
    Ui_->WhenShown = [&] {
      const bool idle = !f.OperationRunning() && Button(f, "sSpeedButton9")->isHidden() && MenuBar(f)->isEnabled() &&
                        Button(f, "sSpeedButton4")->isEnabled() && Button(f, "sSpeedButton8")->isEnabled() &&
                        ProgressBar(f)->value() == 0;
      // The write's box stands over the refreshed view: the chip now holds the document.
      atBox.push_back(!idle                ? QString("busy")
                      : f.BufferModified() ? QString("modified")
                                           : StatusBar(f)->PanelText(TStatusPanel::Checksum));
    };
    QVERIFY(f.BufferModified());
    Button(f, "sSpeedButton4")->click();
    QVERIFY(stopPlaced);
    Action(f, "VerifyAl1")->trigger();
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{{TKind::Information, "Programming OK"},
                                                                      {TKind::Information, "Verification OK"}}));
    QCOMPARE(atBox, (std::vector<QString>{checksum, checksum}));
  }

  // The user's input to the window while a command runs is dropped, also what is still queued when
  // it ends: the second click of a double click on Write writes nothing more, and keys typed into
  // the grid change no byte.
  void inputDuringACommandIsDropped() {
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    SetDocument(f, Inverted(Image_));
    f.UpdateView();
    const std::vector<uint8_t> before(f.Document().Data(), f.Document().Data() + kChipSize);
    QTest::mouseClick(Grid(f)->viewport(), Qt::LeftButton, Qt::NoModifier, Grid(f)->CellRect(1, 1).center());
    QTimer::singleShot(0, &f, [&] {
      PostClick(Button(f, "sSpeedButton4"), QEvent::MouseButtonDblClick);
      PostKeys(Grid(f), "00");
    });
    // At the read-back's end, the last step before the command ends.
    int zeros = 0;
    Ui_->WhenProgress = [&](int position) {
      if (position != 0 || ++zeros != 2) return;
      PostClick(Button(f, "sSpeedButton4"), QEvent::MouseButtonDblClick);
      PostKeys(Grid(f), "11");
    };
    QTest::mouseClick(Button(f, "sSpeedButton4"), Qt::LeftButton);
    // Whatever input is still queued reaches the window now.
    QCoreApplication::sendPostedEvents();

    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{{TKind::Information, "Programming OK"}}));
    QCOMPARE(Count(*f.SimulatedProgrammer, CmdWrite, 1), kChipSize / 32);
    QCOMPARE(Count(*f.SimulatedProgrammer, CmdChipAccess, 1), size_t(4));  // backup (read twice), write, read-back
    QVERIFY(DocumentIs(f, before));
    // The same keys once the command has ended do edit the byte.
    PostKeys(Grid(f), "00");
    QTRY_COMPARE(int(f.Document()[0]), 0);
  }

  // A command's end opens the gate only once its handler has taken the result: a Read asked for at
  // the moment the first read's worker has ended (the controls come back) runs nothing, so the
  // document holds the bytes of the read that completed; asked again afterwards it reads.
  void secondReadAsTheFirstEndsRunsNothing() {
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    int asked = 0;
    TEventHook enabled(MenuBar(f), QEvent::EnabledChange, [&] {
      if (MenuBar(f)->isEnabled() && asked++ == 0) Action(f, "ReadChip1")->trigger();
    });
    Action(f, "ReadChip1")->trigger();
    QCoreApplication::sendPostedEvents();

    QCOMPARE(asked, 1);
    QCOMPARE(Count(*f.SimulatedProgrammer, CmdChipAccess, 1), size_t(1));
    QVERIFY(DocumentIs(f, Image_));
    QCOMPARE(f.Document().Origin().Kind, TOriginKind::Chip);
    Action(f, "ReadChip1")->trigger();
    QCOMPARE(Count(*f.SimulatedProgrammer, CmdChipAccess, 1), size_t(2));
  }

  // Commands asked for while a result box is open, or a recent file while a read runs, run
  // nothing: the box belongs to a command still under way.
  void entryPointsWaitForTheCommandUnderWay() {
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    // A recent file that is gone: opening it would say so.
    Dir_->Write("gone.bin", std::string(16, '\x55'));
    f.OpenFile(Dir_->File("gone.bin"));
    std::filesystem::remove(Dir_->File("gone.bin"));
    QVERIFY(!Menu(f, "RecentFiles1")->actions().isEmpty());
    QAction* recent = Menu(f, "RecentFiles1")->actions().first();
    Action(f, "ReadChip1")->trigger();
    QCOMPARE(Count(*f.SimulatedProgrammer, CmdChipAccess, 1), size_t(1));

    Ui_->Shown.clear();
    Ui_->WhenShown = [&] { Action(f, "ReadChip1")->trigger(); };
    Action(f, "VerifyAl1")->trigger();
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{{TKind::Information, "Verification OK"}}));
    QCOMPARE(Count(*f.SimulatedProgrammer, CmdChipAccess, 1), size_t(2));  // the verify's read only

    Ui_->WhenShown = nullptr;
    Ui_->Shown.clear();
    bool triggered = false;
    Ui_->WhenProgress = [&](int position) {
      if (position == 50 && !triggered) {
        triggered = true;
        recent->trigger();
      }
    };
    Action(f, "ReadChip1")->trigger();
    QCoreApplication::sendPostedEvents();
    QVERIFY(triggered);
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{}));
    QVERIFY(DocumentIs(f, Image_));
  }

  // Stop and Escape act during Detect size too: the detection ends after the current exchange and
  // says only that it was stopped.
  void stopEndsDetectSize_data() {
    QTest::addColumn<bool>("escape");
    QTest::newRow("Stop") << false;
    QTest::newRow("Escape") << true;
  }
  void stopEndsDetectSize() {
    QFETCH(bool, escape);
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    bool stopped = false;
    Ui_->WhenProgress = [&](int) {
      if (std::exchange(stopped, true)) return;
      if (escape) {
        QTest::keyClick(&f, Qt::Key_Escape);
        QCoreApplication::sendPostedEvents(&f);  // the stop the key queued
      } else
        QTest::mouseClick(Button(f, "sSpeedButton9"), Qt::LeftButton);
    };
    Action(f, "DetectSize1")->trigger();
    QCoreApplication::sendPostedEvents();

    QVERIFY(stopped);
    QCOMPARE(Ui_->Texts(), (std::vector<std::string>{Ui_->MessageText("OpStopped")}));
    QVERIFY(!f.OperationRunning());
  }

  // Closing the window during a command asks; Yes stops the command and then closes the window,
  // without a box for the stop.
  void closeStopsTheCommandAndCloses() {
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    SetDocument(f, Counting(kChipSize));
    const std::vector<uint8_t> before(f.Document().Data(), f.Document().Data() + kChipSize);
    Ui_->Answers = {TAnswer::Yes};
    QTimer::singleShot(0, &f, [&] { f.close(); });
    Button(f, "sSpeedButton3")->click();

    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{
                              {TKind::Question, "An operation is running. Stop it and close the window?"}}));
    QVERIFY(DocumentIs(f, before));
    QCOMPARE(int(f.SimulatedProgrammer->Sent.back()[2]), 2);
    QTRY_VERIFY(!f.isVisible());
    QVERIFY(Dir_->Read("tesmaro.ini").find("Chip=24C1024") != std::string::npos);
  }

  // Closing the window during a write asks; after Yes the window's last box and standard error
  // name the range the write changed, so the user knows the chip's contents are mixed.
  void closeDuringAWriteNamesTheWrittenRange() {
    TMainWindow& f = *F_;
    TMainWindow::ShowBusyAfterMs = 0;
    SetDocument(f, Inverted(Image_));
    Ui_->Answers = {TAnswer::Yes};
    int resets = 0;
    bool asked = false;
    Ui_->WhenProgress = [&](int position) {
      // The write is the third round of progress, after the backup's two reads.
      if (position == 0) ++resets;
      if (resets == 3 && position == 50 && !std::exchange(asked, true)) QTimer::singleShot(0, &f, [&] { f.close(); });
    };
    std::ostringstream standardError;
    std::streambuf* const was = std::cerr.rdbuf(standardError.rdbuf());
    Button(f, "sSpeedButton4")->click();
    std::cerr.rdbuf(was);
    QVERIFY(asked);
    QTRY_VERIFY(!f.isVisible());
    QVERIFY2(standardError.str().find("tesmaro: The chip is partly written: 0x0000") != std::string::npos,
             standardError.str().c_str());

    const std::vector<std::string> errors = Ui_->Texts(TKind::Error);
    QVERIFY(!errors.empty());
    QVERIFY2(errors.back().find("The chip is partly written: 0x0000") != std::string::npos, errors.back().c_str());
    QVERIFY(Count(*f.SimulatedProgrammer, CmdWrite, 1) < kChipSize / 32);
  }

  // Without a chip, or with one the programmer does not support, the chip commands say so before
  // any question: neither "Write 0 bytes to ?" nor the unsaved-changes question comes first.
  void noUsableChipIsSaidBeforeAnyQuestion_data() {
    QTest::addColumn<QString>("chip");
    QTest::addColumn<QString>("said");
    QTest::newRow("no chip") << ""
                             << "Select a chip first.";
    QTest::newRow("unsupported") << "24C2048"
                                 << "24C2048 is not supported by the programmer.";
  }
  void noUsableChipIsSaidBeforeAnyQuestion() {
    QFETCH(QString, chip);
    QFETCH(QString, said);
    F_.reset();
    Dir_->Write("see.ini", "[24C1024]\ntype=2\n24C1024=1,131072,32,0,5\n24C2048=0,262144,32,0,5\n");
    Dir_->Write("tesmaro.ini", "[Main]\nAskBeforeWriting=1\nChip=" + chip.toStdString() + "\n");
    TStartOptions o = WindowOptionsIn(*Dir_);
    o.Simulate = true;
    F_ = std::make_unique<TMainWindow>(o, Ui_.get());
    TMainWindow& f = *F_;
    f.show();
    f.Activate();
    QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);
    f.SimulatedProgrammer->RecordReports = true;
    Edit(f.Document(), 0, 0x42);  // unsaved changes, which a read would ask about
    for (const char* command : {"Program2", "Erase1", "ReadChip1", "VerifyAl1", "BlankCheck1"}) {
      Ui_->Shown.clear();
      Action(f, command)->trigger();
      QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{{TKind::Message, said.toStdString()}}));
    }
    QVERIFY(f.SimulatedProgrammer->Sent.empty());
    QVERIFY(f.BufferModified());
  }

  void failedReadKeepsTheBuffer() {
    TMainWindow& f = *F_;
    SetDocument(f, Counting(kChipSize));
    std::vector<uint8_t> before(f.Document().Data(), f.Document().Data() + kChipSize);
    f.SimulatedProgrammer->NoAnswerAt(f.SimulatedProgrammer->ExchangeCount() + 2000);
    Button(f, "sSpeedButton3")->click();
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{
                              {TKind::Error, "The programmer did not answer. The operation was stopped."}}));
    QVERIFY(DocumentIs(f, before));
    QCOMPARE(ProgressBar(f)->value(), 0);
    QVERIFY(Named<QFrame>(f, "sPanel2")->isEnabled());
  }
};

QTEST_MAIN(TestChipCommands)
#include "test_chip_commands.moc"
