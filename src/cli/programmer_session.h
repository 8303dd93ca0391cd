// The programmer as the CLI's commands reach it: the session's programmer link, built from the
// command line (--simulate with its --sim-* options, --device).
#pragma once

#include "cli/cli_options.h"
#include "common/user_interface.h"
#include "session/exit_codes.h"
#include "session/programmer_link.h"

// Whether the session claims a programmer for the command.
using TSessionClaim = TLinkClaim;

class TProgrammerSession : public TProgrammerLink {
 public:
  // As TProgrammerLink, from the options: one simulated programmer per --simulate, each with its
  // image and the faults given after it. TCliError when the programmer can't be chosen.
  TProgrammerSession(const TCliOptions& options, TUserInterface& ui, TSessionClaim claim = TSessionClaim::Chosen);
};

// The link's options of the command line.
TLinkOptions LinkOptionsOf(const TCliOptions& options, TSessionClaim claim);

// Ends the command with the "ProgNotFound" message and exit code 4 when no programmer is held.
void RequireProgrammer(TProgrammerSession& session, TUserInterface& ui);
