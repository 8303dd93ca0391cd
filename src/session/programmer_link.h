// The programmer link every front end shares: the hidapi or the simulated platform, the HID
// controller with its start-up device change delivered, the connected programmers and the one
// chosen by name (or the only one), claimed with its version read.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/user_interface.h"
#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"
#include "programmer/programmer.h"
#include "simulator/simulation.h"

class TSimulatedProgrammer;

// Whether the link claims a programmer.
enum class TLinkClaim {
  Chosen,  // the one Device names, or the only one connected
  None,    // none: the caller works through Connected() itself
};

struct TLinkOptions {
  bool Simulate = false;
  // With Simulate: one simulated programmer per entry (at least one).
  std::vector<TSimulationOptions> Simulations;
  // A device node, a USB serial number or a bus path; empty: the only programmer connected.
  std::string Device;
  TLinkClaim Claim = TLinkClaim::Chosen;
  // The controller's read time-out; 0 keeps its default.
  int ReadTimeoutMs = 0;
};

class TProgrammerLink {
 public:
  // Enumerates the programmers. With TLinkClaim::Chosen claims the chosen one and reads its
  // version (silently); TCommandError (usage) when several are connected and no Device is given
  // or Device names more than one, (programmer) when Device names none. TError when a simulated
  // image exists but cannot be read.
  TProgrammerLink(const TLinkOptions& options, TUserInterface& ui);
  TProgrammerLink(const TProgrammerLink&) = delete;
  TProgrammerLink& operator=(const TProgrammerLink&) = delete;
  virtual ~TProgrammerLink() = default;

  THidDeviceController& Controller() { return *Controller_; }
  // The programmers plugged in now, in the order they were found.
  std::vector<THidDevice*> Connected() const;
  // Takes the device changes that happened meanwhile (between two chips of a batch).
  void PollChanges();
  std::shared_ptr<TSimulatedProgrammer> Simulator;                // when simulated: the first one
  std::vector<std::shared_ptr<TSimulatedProgrammer>> Simulators;  // one per simulation
  uint64_t SimulationSeed = 0;                                    // the seed the simulation used

 private:
  void Choose(const std::string& device, TUserInterface& ui);

  TManualHidEventLoop Loop_;
  std::unique_ptr<THidDeviceController> Controller_;
  int ChoiceCode_ = 0;
  std::string ChoiceText_;

 public:
  TProgrammer Programmer;  // declared last: gives the programmer back before the controller goes
};

// One line per programmer: "  NODE  serial SERIAL  bus PATH", "-" for what it does not have.
std::string ProgrammerListText(const std::vector<THidDevice*>& programmers);

// The programmer device names (device empty: the only one); null when none is connected and no
// device is given. TCommandError as the link's constructor says.
THidDevice* ChooseProgrammer(const std::vector<THidDevice*>& all, const std::string& device);

// The programmers that name (a device node, a USB serial number string or a bus path) matches.
std::vector<THidDevice*> MatchingProgrammers(const std::vector<THidDevice*>& programmers, const std::string& name);
