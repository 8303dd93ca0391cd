#include "cli/programmer_session.h"

#include <iostream>

#include "simulator/simulation.h"

TProgrammerSession::TProgrammerSession(const TCliOptions& options, TUserInterface& ui) {
  std::unique_ptr<THidPlatform> platform;
  if (options.Simulate) {
    TSimulationOptions so = options.Simulation;
    so.ImageFile = options.SimulateImage;
    TSimulation sim = CreateSimulation(so);
    if (options.Verbose) std::cerr << "tesmaro-cli: simulated chip seed " << sim.Seed << "\n";
    Simulator = sim.Programmer;
    platform = std::move(sim.Platform);
  } else {
    platform = CreateHidapiPlatform();
  }
  Controller_ = std::make_unique<THidDeviceController>(std::move(platform), Loop_);
  Programmer.Attach(*Controller_);
  Controller_->OnDeviceChange = [this, &ui](THidDeviceController&) { Programmer.DeviceChange(ui); };
  Loop_.RunPosted();  // the start-up notification: enumerate, claim, version query
}

int ProgrammerExitCode(const TProgrammer& programmer) {
  switch (programmer.LastStatus) {
    case TExchangeStatus::NoAccess: return kExitNoAccess;
    case TExchangeStatus::Busy: return kExitBusy;
    default: return kExitProgrammer;
  }
}

void RequireProgrammer(TProgrammerSession& session, TUserInterface& ui) {
  if (!session.Programmer.HeldDevice) throw TCliError{kExitProgrammer, ui.MessageText("ProgNotFound")};
}
