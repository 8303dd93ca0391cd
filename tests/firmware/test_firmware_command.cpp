// The main window's firmware update command on the simulated programmer, offscreen.
#include <QtTest>

#include "app/main_window.h"
#include "common/paths.h"
#include "common/scripted_user_interface.h"
#include "firmware/firmware_file.h"
#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"
#include "support/window_options.h"

class TestFirmwareCommand : public QObject {
  Q_OBJECT

 private slots:
  void updatesTheSimulatedProgrammer() {
    TTempDir dir;
    dir.Write("see.ini", "[24Cxx]\ntype=1\n24C01=1,128,8,0,5\n");
    TStartOptions o = WindowOptionsIn(dir);
    o.Simulate = true;
    std::vector<uint8_t> image(16384);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i * 5 + 3);
    std::vector<uint8_t> file = EncipherFirmware(image);
    const std::string name = dir.Write("new.TesmaroUpdatePart", std::string(file.begin(), file.end()));

    TScriptedUserInterface ui;
    Tf f(o, &ui);
    f.FormActivate();
    QTRY_VERIFY(f.Programmer.HeldDevice != nullptr);  // the start-up device change
    ui.Shown.clear();
    ui.FileNames = {name};
    ui.Answers = {TAnswer::Yes};
    f.Firmwareupdate1Click();

    QCOMPARE(ui.Dialogs.size(), size_t(1));
    QCOMPARE(ui.Dialogs[0].Filter, std::string("TesmaroUpdatePart|*.TesmaroUpdatePart"));
    std::string exeFolder = FolderPart(ExecutablePath());
    exeFolder.pop_back();
    QCOMPARE(f.OpenDialog2.InitialDir, exeFolder);
    QCOMPARE(ui.Shown.size(), size_t(3));
    QCOMPARE(ui.Shown[2].Text, ui.MessageText("VerifOK"));
    QCOMPARE(ui.Progress.back(), 0);
    QVERIFY(std::equal(image.begin(), image.begin() + 16128, f.SimulatedProgrammer->Firmware.begin()));
    QVERIFY(f.close());
  }
};

QTEST_MAIN(TestFirmwareCommand)
#include "test_firmware_command.moc"
