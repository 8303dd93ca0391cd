#include "session/programmer_link.h"

#include <algorithm>

#include "programmer/version_query.h"
#include "session/exit_codes.h"
#ifdef __EMSCRIPTEN__
#include "hid/webhid_platform.h"
#endif

TProgrammerLink::TProgrammerLink(const TLinkOptions& options, TUserInterface& ui) {
  std::unique_ptr<THidPlatform> platform;
  if (options.Simulate) {
    std::vector<TSimulationOptions> each = options.Simulations;
    if (each.empty()) each.emplace_back();
    TSimulation sim = CreateSimulation(each);
    SimulationSeed = sim.Seed;
    Simulator = sim.Programmer;
    Simulators = sim.Programmers;
    platform = std::move(sim.Platform);
  } else {
#ifdef __EMSCRIPTEN__
    platform = CreateWebHidPlatform();  // the browser build's only way to a real programmer
#else
    platform = CreateHidapiPlatform();
#endif
  }
  Controller_ = std::make_unique<THidDeviceController>(std::move(platform), Loop_);
  if (options.ReadTimeoutMs > 0) Controller_->ReadTimeoutMs = options.ReadTimeoutMs;
  Programmer.Attach(*Controller_);
  if (options.Claim == TLinkClaim::Chosen)
    Controller_->OnDeviceChange = [this, &ui, device = options.Device](THidDeviceController&) { Choose(device, ui); };
  Loop_.RunPosted();  // the start-up notification: enumerate, claim, version query
  if (ChoiceCode_ != 0) throw TCommandError{ChoiceCode_, ChoiceText_};
}

std::vector<THidDevice*> TProgrammerLink::Connected() const {
  std::vector<THidDevice*> out;
  for (const auto& d : Controller_->Devices())
    if (d->PluggedIn() && d->VendorID() == ProgrammerVendorId && d->ProductID() == ProgrammerProductId)
      out.push_back(d.get());
  return out;
}

void TProgrammerLink::Choose(const std::string& device, TUserInterface& ui) {
  Controller_->Release(Programmer.HeldDevice);
  try {
    THidDevice* chosen = ChooseProgrammer(Connected(), device);
    if (chosen && Controller_->Claim(Programmer.HeldDevice, *chosen)) GetVersionInfo(Programmer, ui, false);
  } catch (const TCommandError& e) {
    ChoiceCode_ = e.Code;
    ChoiceText_ = e.Text;
  }
}

void TProgrammerLink::PollChanges() { Loop_.PollOnce(); }

THidDevice* ChooseProgrammer(const std::vector<THidDevice*>& all, const std::string& device) {
  const std::vector<THidDevice*> chosen = device.empty() ? all : MatchingProgrammers(all, device);
  if (chosen.empty()) {
    // Without a device name and without programmers the command says "ProgNotFound" itself.
    if (device.empty()) return nullptr;
    throw TCommandError{kExitProgrammer, "no connected programmer matches --device " + device +
                                             (all.empty() ? "" : "; connected:\n" + ProgrammerListText(all))};
  }
  if (chosen.size() > 1)
    throw TCommandError{kExitUsage, (device.empty() ? std::string("several programmers are connected")
                                                    : "--device " + device + " names several programmers") +
                                        "; choose one with --device NODE|SERIAL|PATH:\n" + ProgrammerListText(chosen)};
  return chosen.front();
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
