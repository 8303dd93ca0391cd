#include "cli/programmer_session.h"

#include "cli/stop_signals.h"

#include <algorithm>
#include <iostream>

TLinkOptions LinkOptionsOf(const TCliOptions& options, TSessionClaim claim) {
  TLinkOptions link;
  link.Simulate = options.Simulate;
  link.Device = options.Device;
  link.Claim = claim;
  if (!options.Simulate) return link;
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
    link.Simulations.push_back(std::move(so));
  }
  return link;
}

TProgrammerSession::TProgrammerSession(const TCliOptions& options, TUserInterface& ui, TSessionClaim claim)
    : TProgrammerLink(LinkOptionsOf(options, claim), ui) {
  // Ctrl-C also ends a wait for a programmer that does not answer.
  Controller().StopWaiting = [] { return TStopOnSignals::Requested(); };
  if (options.Simulate && options.Verbose) std::cerr << "tesmaro-cli: simulated chip seed " << SimulationSeed << "\n";
}

void RequireProgrammer(TProgrammerSession& session, TUserInterface& ui) {
  if (!session.Programmer.HeldDevice) throw TCliError{kExitProgrammer, ui.MessageText("ProgNotFound")};
}
