// The main window's Read chip, Write chip and Verify commands on the simulated programmer,
// offscreen: buffer, boxes, the progress bar, and what may happen while a command runs.
#include <QtTest>

#include "app/long_operation.h"
#include "app/status_bar.h"
#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "common/scripted_user_interface.h"
#include "hid/simulated_platform.h"
#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"
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

using TKind = TScriptedUserInterface::TKind;

std::vector<std::pair<TKind, std::string>> Boxes(const TScriptedUserInterface& ui) {
  std::vector<std::pair<TKind, std::string>> out;
  for (const auto& s : ui.Shown) out.emplace_back(s.Kind, s.Text);
  return out;
}

bool BufferIs(const std::vector<uint8_t>& bytes) { return std::equal(bytes.begin(), bytes.end(), MemoryBuffer); }

bool Sent(const TSimulatedProgrammer& device, uint8_t command) {
  return std::any_of(device.Sent.begin(), device.Sent.end(), [&](const auto& r) { return r[1] == command; });
}

}  // namespace

class TestChipCommands : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<TTempDir> Dir_;
  std::unique_ptr<TScriptedUserInterface> Ui_;
  std::unique_ptr<Tf> F_;
  std::vector<uint8_t> Image_;

 private slots:
  void init() {
    Dir_ = std::make_unique<TTempDir>();
    Dir_->Write("see.ini", "[24C1024]\ntype=2\n24C1024=1,131072,32,0,5\n");
    Dir_->Write("tesmaro.ini", "[Main]\nChip=24C1024\n");
    Image_.resize(kChipSize);
    for (size_t i = 0; i < kChipSize; ++i) Image_[i] = Pattern(i);
    Dir_->Write("chip.bin", std::string(Image_.begin(), Image_.end()));
    TStartOptions o = WindowOptionsIn(*Dir_);
    o.Simulate = true;
    o.SimulateImage = Dir_->File("chip.bin");
    Ui_ = std::make_unique<TScriptedUserInterface>();
    F_ = std::make_unique<Tf>(o, Ui_.get());
    F_->show();
    F_->FormActivate();
    QTRY_VERIFY(F_->Programmer.HeldDevice != nullptr);
    QCOMPARE(F_->CurrentChip.Size, int32_t(kChipSize));
    F_->HidDeviceController->ReadTimeoutMs = 10;
    F_->SimulatedProgrammer->RecordReports = true;
    Ui_->Shown.clear();
  }

  void cleanup() {
    TLongOperation::PumpIntervalMs = 25;
    F_.reset();
    Ui_.reset();
    Dir_.reset();
  }

  void readWriteAndVerify() {
    Tf& f = *F_;
    TPaintCounter paints;
    f.sProgressBar1->installEventFilter(&paints);
    QSignalSpy moves(f.sProgressBar1, &QProgressBar::valueChanged);

    f.ReadChip1->trigger();
    QVERIFY(Ui_->Shown.empty());
    QVERIFY(BufferIs(Image_));
    QCOMPARE(f.sb1->PanelText(3), QString::fromStdString("Chk: " + IntToHex(CalcChecksum(kChipSize), 4)));
    // 4096 steps move the bar through 1..100 and back to 0, one repaint per move.
    QCOMPARE(moves.count(), 101);
    QCOMPARE(moves.last().at(0).toInt(), 0);
    QVERIFY2(paints.Paints <= 110, qPrintable(QString::number(paints.Paints)));

    for (size_t i = 0; i < kChipSize; ++i) MemoryBuffer[i] = static_cast<uint8_t>(~Image_[i]);
    f.Program2->trigger();
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{{TKind::Information, "Programming OK"}}));
    QVERIFY(std::equal(f.SimulatedProgrammer->Chip.begin(), f.SimulatedProgrammer->Chip.begin() + kChipSize,
                       MemoryBuffer));
    QCOMPARE(Dir_->Read("chip.bin").size(), kChipSize);
    QCOMPARE(static_cast<uint8_t>(Dir_->Read("chip.bin")[kChipSize - 1]), MemoryBuffer[kChipSize - 1]);

    Ui_->Shown.clear();
    f.sSpeedButton5->click();
    f.SimulatedProgrammer->Chip[kChipSize - 1] ^= 0x80;
    f.VerifyAl1->trigger();
    const std::string where = "First difference at 0x" + IntToHex(kChipSize - 1, 4) + ": chip " +
                              IntToHex(f.SimulatedProgrammer->Chip[kChipSize - 1], 2) + ", expected " +
                              IntToHex(MemoryBuffer[kChipSize - 1], 2) + "; 1 byte differs.";
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{
                              {TKind::Information, "Verification OK"}, {TKind::Error, "Verification failed!\n\r" + where}}));
    QCOMPARE(f.sProgressBar1->value(), 0);
  }

  // While a command runs the event loop turns, but no command starts, the window does not close
  // and a device change waits for the end.
  void nothingReentersWhileACommandRuns() {
    Tf& f = *F_;
    TLongOperation::PumpIntervalMs = 0;
    bool ran = false, busy = false, commandsEnabled = true, heldSame = false;
    THidDevice* held = f.Programmer.HeldDevice;
    QTimer::singleShot(0, &f, [&] {
      ran = true;
      busy = f.Busy;
      commandsEnabled = f.sPanel2->isEnabled() || f.MainMenu1->isEnabled();
      f.sSpeedButton4->click();
      f.Program2->trigger();
      f.VerifyAl1Click();
      f.close();
      TSimulatedHidDeviceInfo other;
      other.VendorID = 0x1234;
      other.ProductID = 0x0001;
      static_cast<TSimulatedHidPlatform&>(f.HidDeviceController->Platform()).PlugIn(other);
      f.HidDeviceController->CheckForChanges();
      heldSame = f.Programmer.HeldDevice == held;
    });
    f.sSpeedButton3Click();

    QVERIFY(ran);
    QVERIFY(busy);
    QVERIFY(!commandsEnabled);
    QVERIFY(heldSame);
    QVERIFY(f.isVisible());
    QVERIFY(!Sent(*f.SimulatedProgrammer, CmdWrite));
    QVERIFY(!Sent(*f.SimulatedProgrammer, CmdVersion));
    QVERIFY(Ui_->Shown.empty());
    QVERIFY(BufferIs(Image_));
    QVERIFY(!f.Busy);
    QVERIFY(f.sPanel2->isEnabled() && f.MainMenu1->isEnabled() && f.sPanel1->isEnabled());
    // The held-back device change comes once the command has ended.
    QTRY_VERIFY(Sent(*f.SimulatedProgrammer, CmdVersion));
  }

  void failedReadKeepsTheBuffer() {
    Tf& f = *F_;
    for (size_t i = 0; i < kChipSize; ++i) MemoryBuffer[i] = static_cast<uint8_t>(i);
    std::vector<uint8_t> before(MemoryBuffer, MemoryBuffer + kChipSize);
    f.SimulatedProgrammer->NoAnswerAt(f.SimulatedProgrammer->ExchangeCount() + 2000);
    f.sSpeedButton3->click();
    QCOMPARE(Boxes(*Ui_), (std::vector<std::pair<TKind, std::string>>{
                              {TKind::Error, "The programmer did not answer. The operation was stopped."}}));
    QVERIFY(BufferIs(before));
    QCOMPARE(f.sProgressBar1->value(), 0);
    QVERIFY(f.sPanel2->isEnabled());
  }
};

QTEST_MAIN(TestChipCommands)
#include "test_chip_commands.moc"
