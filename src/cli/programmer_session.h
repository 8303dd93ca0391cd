// The programmer as the CLI's commands reach it: the hidapi or (with --simulate) the simulated
// platform, the HID controller with its start-up device change delivered, the connected
// programmers and the one chosen with --device (or the only one).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "cli/cli_options.h"
#include "common/user_interface.h"
#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"
#include "programmer/programmer.h"

class TSimulatedProgrammer;

// Whether the session claims a programmer for the command.
enum class TSessionClaim {
  Chosen,  // the one --device names, or the only one connected
  None,    // none: the command works through Connected() itself
};

class TProgrammerSession {
 public:
  // Enumerates the programmers. With TSessionClaim::Chosen claims the chosen one and reads its
  // version (silently); TCliError (usage) when several are connected and no --device is given or
  // --device names more than one, (programmer) when --device names none. TError when a --simulate
  // image exists but cannot be read.
  TProgrammerSession(const TCliOptions& options, TUserInterface& ui, TSessionClaim claim = TSessionClaim::Chosen);
  TProgrammerSession(const TProgrammerSession&) = delete;
  TProgrammerSession& operator=(const TProgrammerSession&) = delete;

  THidDeviceController& Controller() { return *Controller_; }
  // The programmers plugged in now, in the order they were found.
  std::vector<THidDevice*> Connected() const;
  // Takes the device changes that happened meanwhile (between two chips of a batch).
  void PollChanges();
  std::shared_ptr<TSimulatedProgrammer> Simulator;                // with --simulate: the first one
  std::vector<std::shared_ptr<TSimulatedProgrammer>> Simulators;  // one per --simulate

 private:
  void Choose(const TCliOptions& options, TUserInterface& ui);

  TManualHidEventLoop Loop_;
  std::unique_ptr<THidDeviceController> Controller_;
  TCliError ChoiceError_{0, ""};

 public:
  TProgrammer Programmer;  // declared last: gives the programmer back before the controller goes
};

// The exit code after an operation failed on the programmer: 5 without permission on its device
// node, 6 while another program uses it, else 4.
int ProgrammerExitCode(const TProgrammer& programmer);

// Ends the command with the "ProgNotFound" message and exit code 4 when no programmer is held.
void RequireProgrammer(TProgrammerSession& session, TUserInterface& ui);

// One line per programmer: "  NODE  serial SERIAL  bus PATH", "-" for what it does not have.
std::string ProgrammerListText(const std::vector<THidDevice*>& programmers);

// The programmer --device names (device empty: the only one); null when none is connected and no
// --device is given. TCliError as the session's constructor says.
THidDevice* ChooseProgrammer(const std::vector<THidDevice*>& all, const std::string& device);

// The programmers that name (a device node, a USB serial number string or a bus path) matches.
std::vector<THidDevice*> MatchingProgrammers(const std::vector<THidDevice*>& programmers, const std::string& name);
