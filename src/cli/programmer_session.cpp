#include "cli/programmer_session.h"

#include "cli/stop_signals.h"

#include <algorithm>
#include <iostream>

#include "programmer/version_query.h"
#include "simulator/simulation.h"

TProgrammerSession::TProgrammerSession(const TCliOptions& options, TUserInterface& ui, TSessionClaim claim) {
  std::unique_ptr<THidPlatform> platform;
  if (options.Simulate) {
    // One simulated programmer per --simulate, each with its image and the faults given after it.
    std::vector<TSimulationOptions> each;
    for (size_t i = 0; i < std::max<size_t>(1, options.SimulateImages.size()); ++i) {
      TSimulationOptions so = options.Simulation;
      so.ImageFile = i < options.SimulateImages.size() ? options.SimulateImages[i] : options.SimulateImage;
      so.Faults.clear();
      for (size_t f = 0; f < options.Simulation.Faults.size(); ++f)
        if (f < options.SimulateFaultOwners.size() && options.SimulateFaultOwners[f] == i)
          so.Faults.push_back(options.Simulation.Faults[f]);
      if (i > 0) {
        so.LogFile.clear();  // the simulator's log follows the first programmer only
        if (so.Seed) so.Seed = *so.Seed + i;
      }
      each.push_back(std::move(so));
    }
    TSimulation sim = CreateSimulation(each);
    if (options.Verbose) std::cerr << "tesmaro-cli: simulated chip seed " << sim.Seed << "\n";
    Simulator = sim.Programmer;
    Simulators = sim.Programmers;
    platform = std::move(sim.Platform);
  } else {
    platform = CreateHidapiPlatform();
  }
  Controller_ = std::make_unique<THidDeviceController>(std::move(platform), Loop_);
  // Ctrl-C also ends a wait for a programmer that does not answer.
  Controller_->StopWaiting = [] { return TStopOnSignals::Requested(); };
  Programmer.Attach(*Controller_);
  if (claim == TSessionClaim::Chosen)
    Controller_->OnDeviceChange = [this, &ui, &options](THidDeviceController&) { Choose(options, ui); };
  Loop_.RunPosted();  // the start-up notification: enumerate, claim, version query
  if (ChoiceError_.Code != 0) throw ChoiceError_;
}

std::vector<THidDevice*> TProgrammerSession::Connected() const {
  std::vector<THidDevice*> out;
  for (const auto& d : Controller_->Devices())
    if (d->PluggedIn() && d->VendorID() == ProgrammerVendorId && d->ProductID() == ProgrammerProductId)
      out.push_back(d.get());
  return out;
}

void TProgrammerSession::Choose(const TCliOptions& options, TUserInterface& ui) {
  Controller_->Release(Programmer.HeldDevice);
  try {
    THidDevice* chosen = ChooseProgrammer(Connected(), options.Device);
    if (chosen && Controller_->Claim(Programmer.HeldDevice, *chosen)) GetVersionInfo(Programmer, ui, false);
  } catch (const TCliError& e) {
    ChoiceError_ = e;
  }
}

void TProgrammerSession::PollChanges() { Loop_.PollOnce(); }

THidDevice* ChooseProgrammer(const std::vector<THidDevice*>& all, const std::string& device) {
  const std::vector<THidDevice*> chosen = device.empty() ? all : MatchingProgrammers(all, device);
  if (chosen.empty()) {
    // Without --device and without programmers the command says "ProgNotFound" itself.
    if (device.empty()) return nullptr;
    throw TCliError{kExitProgrammer, "no connected programmer matches --device " + device +
                                         (all.empty() ? "" : "; connected:\n" + ProgrammerListText(all))};
  }
  if (chosen.size() > 1)
    throw TCliError{kExitUsage, (device.empty() ? std::string("several programmers are connected")
                                                : "--device " + device + " names several programmers") +
                                    "; choose one with --device NODE|SERIAL|PATH:\n" + ProgrammerListText(chosen)};
  return chosen.front();
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

std::string ProgrammerListText(const std::vector<THidDevice*>& programmers) {
  auto orDash = [](const std::string& s) { return s.empty() ? std::string("-") : s; };
  std::string out;
  for (const THidDevice* d : programmers) {
    if (!out.empty()) out += "\n";
    out += "  " + d->DevicePath() + "  serial " + orDash(d->SerialNumber()) + "  bus " + orDash(d->BusPath());
  }
  return out;
}

std::vector<THidDevice*> MatchingProgrammers(const std::vector<THidDevice*>& programmers, const std::string& name) {
  std::vector<THidDevice*> out;
  for (THidDevice* d : programmers)
    if (d->DevicePath() == name || (!d->SerialNumber().empty() && d->SerialNumber() == name) ||
        (!d->BusPath().empty() && d->BusPath() == name))
      out.push_back(d);
  return out;
}
