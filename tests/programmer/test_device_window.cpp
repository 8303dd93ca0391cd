// The main window with the simulated programmer: panel 0 after start, the menu's version query,
// and unplugging.
#include <QtTest>

#include "app/status_bar.h"
#include "app/main_window.h"
#include "common/scripted_user_interface.h"
#include "hid/simulated_platform.h"
#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"
#include "support/window_options.h"

class TestDeviceWindow : public QObject {
  Q_OBJECT

 private slots:
  void simulatedProgrammerIsClaimedAtStartAndQueriedFromTheMenu() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TStartOptions o = WindowOptionsIn(dir);
    o.Simulate = true;
    o.SimulateImage = dir.File("chip.bin");
    Tf f(o, &ui);
    QVERIFY(f.SimulatedProgrammer);
    QCOMPARE(f.Programmer.HeldDevice, nullptr);  // the start-up notification waits for the event loop
    QTRY_COMPARE(f.sb1->PanelText(0), QString("Mervo v.1.7"));
    QVERIFY(f.Programmer.HeldDevice);
    QVERIFY(ui.Shown.empty());

    f.SimulatedProgrammer->Minor = 8;
    f.Getversioninfo1->trigger();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Version info: 1.8"});
    QCOMPARE(f.sb1->PanelText(0), QString("Mervo v.1.8"));

    auto& platform = static_cast<TSimulatedHidPlatform&>(f.HidDeviceController->Platform());
    platform.Present()[0]->Unplug();
    f.HidDeviceController->CheckForChanges();
    QCOMPARE(f.Programmer.HeldDevice, nullptr);
    QCOMPARE(f.sb1->PanelText(0), QString());  // no version shown for a programmer that is gone
    ui.Shown.clear();
    f.Getversioninfo1->trigger();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Programmer not found!"});
  }
};

QTEST_MAIN(TestDeviceWindow)
#include "test_device_window.moc"
