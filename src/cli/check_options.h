// How the chip commands check what they read: --reads N, --majority, --strict, --backup DIR and
// --no-backup, on the commands that read a chip or write one.
#pragma once

#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "programmer/chip_operations.h"

// Adds the options that command takes: --reads, --majority and --strict where it reads the chip
// for a result (read, verify, write, erase), --backup and --no-backup where it writes (write, erase).
void AddCheckFlags(TCliCommand& command);

// The options given: reads (TCliError, usage, when N is not from 2 to 9), majority or discard,
// the backup folder (none with --no-backup).
TCheckOptions CheckOptionsFrom(const TCliOptions& o);

// With --strict a command that succeeded while a warning was shown exits kExitWarning.
int StrictExitCode(const TCliOptions& o, int notices, int code);
