#include "cli/programmer_session.h"

#include "simulator/simulation.h"

TProgrammerSession::TProgrammerSession(const TCliOptions& options, TUserInterface& ui) {
  std::unique_ptr<THidPlatform> platform;
  if (options.Simulate) {
    TSimulation sim = CreateSimulation(options.SimulateImage);
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

void RequireProgrammer(TProgrammerSession& session, TUserInterface& ui) {
  if (!session.Programmer.HeldDevice) throw TCliError{kExitProgrammer, ui.MessageText("ProgNotFound")};
}
