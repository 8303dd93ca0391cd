// The main window's side of the programmer link: the HID controller, its device-change handler,
// the version query of the menu and the connection check.
#include <iostream>

#include "app/connection_dialog.h"
#include "app/main_window.h"
#include "app/qt_hid_event_loop.h"
#include "app/status_bar.h"
#include "common/error.h"
#include "hid/usb_probe.h"
#include "programmer/connection_check.h"
#include "programmer/version_query.h"
#include "simulator/simulation.h"

void TMainWindow::CreateDeviceLink() {
  std::unique_ptr<THidPlatform> platform;
  if (Options_.Simulate) {
    if (!Options_.SimulationError.empty()) Run([this] { throw TError(Options_.SimulationError); });
    TSimulationOptions so = Options_.Simulation;
    const std::string log = so.LogFile;
    so.LogFile.clear();
    TSimulation sim = CreateSimulation(so);
    if (Options_.Verbose) std::cerr << "tesmaro: simulated chip seed " << sim.Seed << "\n";
    SimulatedProgrammer = sim.Programmer;
    // A log or an image that can't be used is reported; the simulated chip then stays in memory only.
    if (!log.empty()) Run([this, log] { SimulatedProgrammer->LogTo(log); });
    if (!Options_.SimulateImage.empty()) Run([this] { SimulatedProgrammer->AttachImageFile(Options_.SimulateImage); });
    platform = std::move(sim.Platform);
  } else {
    platform = CreateHidapiPlatform();
  }
  HidEventLoop = std::make_unique<TQtHidEventLoop>();
  HidDeviceController = std::make_unique<THidDeviceController>(std::move(platform), *HidEventLoop);
  HidDeviceController->OnDeviceChange = [this](THidDeviceController&) { Run([this] { DeviceChanged(); }); };
  Programmer.Attach(*HidDeviceController);
  Programmer.OnVersionText = [this](const std::string& text) { ShowProgrammerPanel(text); };
}

void TMainWindow::ShowHeldProgrammer() {
  const THidDevice* d = Programmer.HeldDevice;
  if (!d) return;
  auto orDash = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
  StatusBar_->SetPanelHint(
      TStatusPanel::Programmer,
      QString::fromStdString(
          FormatText(MessageText("ProgHint"), {d->DevicePath(), orDash(d->SerialNumber()), orDash(d->BusPath())})));
}

void TMainWindow::DeviceChanged() { Programmer.DeviceChange(Ui()); }

void TMainWindow::ShowFirmwareVersion() { ShowFirmwareVersion(false); }

void TMainWindow::ShowFirmwareVersion(bool silent) {
  RunOperation([this, silent](TUserInterface& ui) { GetVersionInfo(Programmer, ui, !silent); });
}

void TMainWindow::CheckConnection() {
  // The simulated programmer has no USB bus, node or udev rule: only the HID layer's view.
  const std::unique_ptr<TUsbProbe> probe = SimulatedProgrammer ? nullptr : CreateSystemUsbProbe();
  TConnectionReport report;
  if (!RunOperation([this, &probe, &report](TUserInterface& ui) {
        report = ::CheckConnection(probe.get(), *HidDeviceController, Programmer, ui);
      }))
    return;
  const QString text = QString::fromStdString(ConnectionReportText(report, Ui()));
  const QString title = QString::fromStdString(MessageText("DocCaption"));
  // One dialog, left open beside the window and filled again by every check.
  if (!ConnectionDialog_)
    ConnectionDialog_ = new TConnectionDialog(this, title, text, QString::fromStdString(MessageText("DocCopy")),
                                              QString::fromStdString(MessageText("DocClose")));
  else
    ConnectionDialog_->SetTexts(title, text, QString::fromStdString(MessageText("DocCopy")),
                                QString::fromStdString(MessageText("DocClose")));
  ConnectionDialog_->show();
  ConnectionDialog_->raise();
  ConnectionDialog_->activateWindow();
}
