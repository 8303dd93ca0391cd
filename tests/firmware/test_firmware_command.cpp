// The main window's firmware update command on the simulated programmer, offscreen.
#include <QtTest>

#include "app/main_window.h"
#include "common/error.h"
#include "common/paths.h"
#include "common/scripted_user_interface.h"
#include "firmware/firmware_file.h"
#include "firmware/firmware_update.h"
#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

// A window on the simulated programmer, a 24C01 catalogue, and an update file of `image` beside
// them in a folder of its own.
struct TUpdateRig {
  explicit TUpdateRig(const std::vector<uint8_t>& image) {
    Dir.Write("see.ini", "[24Cxx]\ntype=1\n24C01=1,128,8,0,5\n");
    TStartOptions o = WindowOptionsIn(Dir);
    o.Simulate = true;
    const std::vector<uint8_t> file = EncipherFirmware(image);
    File = Dir.Write("new.TesmaroUpdatePart", std::string(file.begin(), file.end()));
    Window = std::make_unique<TMainWindow>(o, &Ui);
    Window->Activate();
  }
  TTempDir Dir;
  std::string File;
  TScriptedUserInterface Ui;
  std::unique_ptr<TMainWindow> Window;
};

class TestFirmwareCommand : public QObject {
  Q_OBJECT

 private slots:
  void updatesTheSimulatedProgrammer() {
    std::vector<uint8_t> image(16384);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 5 + 3);
    TUpdateRig rig(image);
    const TTempDir& dir = rig.Dir;
    const std::string& name = rig.File;
    TScriptedUserInterface& ui = rig.Ui;
    TMainWindow& f = *rig.Window;
    QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);  // the start-up device change
    ui.Shown.clear();
    ui.FileNames = {name};
    ui.Answers = {TAnswer::Yes};
    f.UpdateFirmware();

    QCOMPARE(ui.Dialogs.size(), size_t(1));
    QCOMPARE(ui.Dialogs[0].Filter, std::string("TesmaroUpdatePart (*.TesmaroUpdatePart)|*.TesmaroUpdatePart"));
    QCOMPARE(ui.Dialogs[0].InitialDir, UserFilesFolder());
    QCOMPARE(f.FirmwareDialog.InitialDir, dir.Folder());  // where the file was, for the next update
    QCOMPARE(ui.Shown.size(), size_t(3));
    QCOMPARE(ui.Shown[2].Text, FormatText(ui.MessageText("FwUpdated"), {"504"}));
    QCOMPARE(ui.Progress.back(), 0);
    QVERIFY(std::equal(image.begin(), image.begin() + 16128, f.SimulatedProgrammer->Firmware.begin()));
    QVERIFY(f.close());
  }

  // Stop during the transfer first warns that the firmware would be left incomplete: No lets the
  // update finish, Yes ends it between two blocks and says that the firmware is incomplete.
  void stopAsksFirst_data() {
    QTest::addColumn<bool>("stop");
    QTest::newRow("no") << false;
    QTest::newRow("yes") << true;
  }
  void stopAsksFirst() {
    QFETCH(bool, stop);
    TUpdateRig rig(std::vector<uint8_t>(16384, 0x5A));
    const std::string& name = rig.File;
    TScriptedUserInterface& ui = rig.Ui;
    TMainWindow& f = *rig.Window;
    QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);
    f.SimulatedProgrammer->RecordReports = true;
    ui.Shown.clear();
    ui.FileNames = {name};
    ui.Answers = {TAnswer::Yes, stop ? TAnswer::Yes : TAnswer::No};
    TMainWindow::ShowBusyAfterMs = 0;
    // Stop once the transfer has begun: the update runs on while the window answers its input.
    QMetaObject::Connection first = connect(ProgressBar(f), &QProgressBar::valueChanged, &f, [&] {
      disconnect(first);
      QTest::mouseClick(Button(f, "sSpeedButton9"), Qt::LeftButton);
    });
    Action(f, "Firmwareupdate1")->trigger();
    TMainWindow::ShowBusyAfterMs = 25;

    QCOMPARE(ui.Shown.size(), size_t(4));
    QCOMPARE(ui.Shown[2].Kind, TScriptedUserInterface::TKind::Question);
    QCOMPARE(ui.Shown[2].Text, ui.MessageText("FirmwareStopAsk"));
    const auto blocks = std::count_if(f.SimulatedProgrammer->Sent.begin(), f.SimulatedProgrammer->Sent.end(),
                                      [](const auto& r) { return r[1] == CmdFirmwareBlock; });
    if (stop) {
      QVERIFY(blocks < 10);
      QCOMPARE(ui.Shown[3].Kind, TScriptedUserInterface::TKind::Error);
      QCOMPARE(ui.Shown[3].Text, ui.MessageText("OpStopped") + "\n\r" + ui.MessageText("FirmwareIncomplete"));
    } else {
      QCOMPARE(blocks, 504);
      QCOMPARE(ui.Shown[3].Text, FormatText(ui.MessageText("FwUpdated"), {"504"}));
    }
    QCOMPARE(ProgressBar(f)->value(), 0);
  }

  // A stop confirmed before the first block ends the update there: no block goes out, and neither
  // the update's question nor an incomplete-firmware error follows.
  void stopBeforeTheFirstBlockSendsNothing() {
    TUpdateRig rig(std::vector<uint8_t>(16384, 0x5A));
    const std::string& name = rig.File;
    TScriptedUserInterface& ui = rig.Ui;
    TMainWindow& f = *rig.Window;
    QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);
    f.SimulatedProgrammer->RecordReports = true;
    ui.Shown.clear();
    ui.FileNames = {name};
    ui.Answers = {TAnswer::Yes};  // to the stop's warning
    TMainWindow::ShowBusyAfterMs = 0;
    QTimer::singleShot(0, &f, [&] { QTest::mouseClick(Button(f, "sSpeedButton9"), Qt::LeftButton); });
    Action(f, "Firmwareupdate1")->trigger();
    TMainWindow::ShowBusyAfterMs = 25;

    const auto blocks = std::count_if(f.SimulatedProgrammer->Sent.begin(), f.SimulatedProgrammer->Sent.end(),
                                      [](const auto& r) { return r[1] == CmdFirmwareBlock; });
    QCOMPARE(blocks, 0);
    QCOMPARE(ui.Shown.front().Text, ui.MessageText("FirmwareStopAsk"));
    QCOMPARE(ui.Shown.back().Text, ui.MessageText("OpStopped"));
    for (const auto& shown : ui.Shown) {
      QVERIFY2(shown.Kind != TScriptedUserInterface::TKind::Error, shown.Text.c_str());
      QVERIFY2(shown.Kind != TScriptedUserInterface::TKind::Question || &shown == &ui.Shown.front(),
               shown.Text.c_str());
    }
    QVERIFY(!f.OperationRunning());
  }
};

QTEST_MAIN(TestFirmwareCommand)
#include "test_firmware_command.moc"
