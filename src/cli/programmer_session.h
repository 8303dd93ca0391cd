// The programmer as the CLI's commands reach it: the hidapi or (with --simulate) the simulated
// platform, the HID controller with its start-up device change delivered, and the held programmer.
#pragma once

#include <memory>

#include "cli/cli_options.h"
#include "common/user_interface.h"
#include "hid/hid_controller.h"
#include "hid/hid_event_loop.h"
#include "programmer/programmer.h"

class TSimulatedProgrammer;

class TProgrammerSession {
 public:
  // Claims the programmer and reads its version (silently). TError when the --simulate image
  // exists but cannot be read.
  TProgrammerSession(const TCliOptions& options, TUserInterface& ui);
  TProgrammerSession(const TProgrammerSession&) = delete;
  TProgrammerSession& operator=(const TProgrammerSession&) = delete;

  THidDeviceController& Controller() { return *Controller_; }
  std::shared_ptr<TSimulatedProgrammer> Simulator;  // with --simulate

 private:
  TManualHidEventLoop Loop_;
  std::unique_ptr<THidDeviceController> Controller_;

 public:
  TProgrammer Programmer;  // declared last: gives the programmer back before the controller goes
};

// The exit code after an operation failed on the programmer: 5 without permission on its device
// node, 6 while another program uses it, else 4.
int ProgrammerExitCode(const TProgrammer& programmer);

// Ends the command with the "ProgNotFound" message and exit code 4 when no programmer is held.
void RequireProgrammer(TProgrammerSession& session, TUserInterface& ui);
