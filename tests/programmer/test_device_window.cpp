// The main window with the simulated programmer: the version panel after start, the menu's version query,
// and unplugging.
#include <QClipboard>
#include <QPushButton>
#include <QtTest>

#include "app/connection_dialog.h"
#include "app/main_window.h"
#include "app/start_options.h"
#include "app/status_bar.h"
#include "common/scripted_user_interface.h"
#include "hid/simulated_platform.h"
#include "simulator/simulated_programmer.h"
#include "support/temp_dir.h"
#include "support/window_driver.h"
#include "support/window_options.h"

namespace {

// A scripted user that reads messages in the window's active language.
struct TWindowUi : TScriptedUserInterface {
  TMainWindow* Window = nullptr;
  std::string MessageText(const std::string& key) override {
    return Window ? Window->MessageText(key) : TScriptedUserInterface::MessageText(key);
  }
};

}  // namespace

class TestDeviceWindow : public QObject {
  Q_OBJECT

 private slots:
  void simulatedProgrammerIsClaimedAtStartAndQueriedFromTheMenu() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TStartOptions o = WindowOptionsIn(dir);
    o.Simulate = true;
    o.SimulateImage = dir.File("chip.bin");
    TMainWindow f(o, &ui);
    QVERIFY(f.SimulatedProgrammer);
    QCOMPARE(f.Programmer.HeldDevice, nullptr);  // the start-up notification waits for the event loop
    QTRY_COMPARE(StatusBar(f)->PanelText(TStatusPanel::Programmer), QString("Mervo v.1.7"));
    QVERIFY(f.Programmer.HeldDevice);
    QVERIFY(ui.Shown.empty());

    f.SimulatedProgrammer->Minor = 8;
    Action(f, "Getversioninfo1")->trigger();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Version info: 1.8"});
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Programmer), QString("Mervo v.1.8"));

    auto& platform = static_cast<TSimulatedHidPlatform&>(f.HidDeviceController->Platform());
    platform.Present()[0]->Unplug();
    f.HidDeviceController->CheckForChanges();
    QCOMPARE(f.Programmer.HeldDevice, nullptr);
    // No version shown for a programmer that is gone: the panel says there is none.
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Programmer), QString("No programmer"));
    ui.Shown.clear();
    Action(f, "Getversioninfo1")->trigger();
    QCOMPARE(ui.Texts(), std::vector<std::string>{"Programmer not found!"});
  }

  // The window takes the simulator's options from its command line, and a bad one is reported.
  void simulatorOptionsFromTheCommandLine() {
    const TStartOptions o =
        StartOptionsFromArguments({"--simulate", "--sim-latency", "3", "--sim-fault=noanswer@2", "--sim-fault",
                                   "flip@9", "--sim-seed", "5", "image.hex", "--sim-log=sim.log"});
    QVERIFY(o.Simulate);
    QCOMPARE(o.Simulation.LatencyMs, 3);
    QCOMPARE(o.Simulation.Faults, (std::vector<std::string>{"noanswer@2", "flip@9"}));
    QCOMPARE(*o.Simulation.Seed, 5u);
    QCOMPARE(o.Simulation.LogFile, std::string("sim.log"));
    QCOMPARE(o.CommandLineFile, std::string("image.hex"));
    QVERIFY(o.SimulationError.empty());
    QVERIFY(!StartOptionsFromArguments({"--sim-fault", "slow@1"}).SimulationError.empty());

    // The silent version query at start is exchange 0: without an answer the panel stays empty.
    TTempDir dir;
    TScriptedUserInterface ui;
    TStartOptions w = WindowOptionsIn(dir);
    w.Simulate = true;
    w.Simulation.Faults = {"noanswer@0"};
    TMainWindow f(w, &ui);
    QTRY_VERIFY(f.Programmer.HeldDevice);
    QCOMPARE(f.SimulatedProgrammer->ExchangeCount(), uint64_t(1));
    QCOMPARE(StatusBar(f)->PanelText(TStatusPanel::Programmer), QString());
  }

  // Files named on the command line are named from the folder the program was started in, though
  // the window then moves to its data folder: the simulated chip's image (created by the start-up
  // version query) and the simulator's log are there.
  void simulatorFilesAreNamedFromTheStartFolder() {
    TTempDir startDir, dataDir;
    TScriptedUserInterface ui;
    const QString before = QDir::currentPath();
    QDir::setCurrent(QString::fromStdString(startDir.Folder()));
    TStartOptions o = StartOptionsFromArguments({"--simulate=chip.bin", "--sim-log", "sim.log"});
    o.ExeFolder = dataDir.Folder();
    o.SettingsFile = dataDir.File("tesmaro.ini");
    TMainWindow f(o, &ui);
    QDir::setCurrent(before);
    QTRY_COMPARE(StatusBar(f)->PanelText(TStatusPanel::Programmer), QString("Mervo v.1.7"));
    QVERIFY(ui.Shown.empty());
    QVERIFY(QFile::exists(QString::fromStdString(startDir.File("chip.bin"))));
    QVERIFY(!startDir.Read("sim.log").empty());
    QVERIFY(!QFile::exists(QString::fromStdString(dataDir.File("chip.bin"))));
    QVERIFY(!QFile::exists(QString::fromStdString(dataDir.File("sim.log"))));
  }

  void versionPanelHintNamesTheProgrammerTheWindowHolds() {
    TTempDir dir;
    TScriptedUserInterface ui;
    TStartOptions o = WindowOptionsIn(dir);
    o.Simulate = true;
    TMainWindow f(o, &ui);
    QTRY_VERIFY(f.Programmer.HeldDevice);
    QCOMPARE(StatusBar(f)->PanelHint(TStatusPanel::Programmer),
             QString("Programmer sim:1 (serial number SIM0001, USB port sim-1)"));

    // A second programmer changes nothing; when the first goes, the window takes the second.
    auto& platform = static_cast<TSimulatedHidPlatform&>(f.HidDeviceController->Platform());
    TSimulatedHidDeviceInfo second = TSimulatedProgrammer::DeviceInfo();
    second.BusPath = "3-1.4";
    platform.PlugIn(second, std::make_shared<TSimulatedProgrammer>());
    f.HidDeviceController->CheckForChanges();
    QCOMPARE(f.Programmer.HeldDevice->DevicePath(), std::string("sim:1"));
    platform.Present()[0]->Unplug();
    f.HidDeviceController->CheckForChanges();
    QVERIFY(f.Programmer.HeldDevice);
    QCOMPARE(StatusBar(f)->PanelHint(TStatusPanel::Programmer),
             QString("Programmer sim:2 (serial number -, USB port 3-1.4)"));
  }

  // Help > Check connection shows the connection check's report in a dialog whose text can be
  // copied; a later check fills the same dialog, in the active language.
  void checkConnectionShowsAReportThatCanBeCopied() {
    TTempDir dir;
    for (const char* file : {"bulgarian.lng", "english.lng", "russian.lng"})
      std::filesystem::copy_file(std::string(TESMARO_SOURCE_DIR) + "/data/" + file, dir.File(file));
    TWindowUi ui;
    TStartOptions o = WindowOptionsIn(dir);
    o.Simulate = true;
    TMainWindow f(o, &ui);
    ui.Window = &f;
    f.ClockSource = [] { return 100.0L; };
    f.Activate();  // builds the Language menu
    QTRY_VERIFY(f.Programmer.HeldDevice);
    QCOMPARE(f.ConnectionDialog(), nullptr);
    Action(f, "CheckConnection1")->trigger();
    TConnectionDialog* d = f.ConnectionDialog();
    QVERIFY(d && d->isVisible());
    QVERIFY2(d->Report().contains("[ok] Version: the programmer answers, firmware 1.7.\n"), qPrintable(d->Report()));
    QVERIFY(d->Report().contains("[ok] Round trips: 100 version queries"));
    QVERIFY(d->Report().endsWith("All is well.\n"));
    QVERIFY(ui.Shown.empty());
    Named<QPushButton>(*d, "CopyReport")->click();
    QCOMPARE(QGuiApplication::clipboard()->text(), d->Report());
    // The window still holds its programmer.
    QCOMPARE(f.Programmer.HeldDevice->DevicePath(), std::string("sim:1"));

    for (QAction* a : Menu(f, "Language1")->actions())
      if (a->data().toInt() == 2) a->trigger();  // Russian
    auto& platform = static_cast<TSimulatedHidPlatform&>(f.HidDeviceController->Platform());
    platform.Present()[0]->Unplug();
    f.HidDeviceController->CheckForChanges();
    Action(f, "CheckConnection1")->trigger();
    QCOMPARE(f.ConnectionDialog(), d);
    QVERIFY2(d->Report().contains(QString::fromUtf8("[ОШИБКА] USB: на шине USB нет программатора")),
             qPrintable(d->Report()));
    QCOMPARE(d->windowTitle(), QString::fromUtf8("Проверка связи"));
    QCOMPARE(Named<QPushButton>(*d, "CopyReport")->text(), QString::fromUtf8("Копировать"));
    QCOMPARE(Action(f, "CheckConnection1")->text(), QString::fromUtf8("Проверка &связи"));
  }
};

QTEST_MAIN(TestDeviceWindow)
#include "test_device_window.moc"
