// Production runs of tesmaro-cli: the devices command, and the options that run write, verify,
// erase and blank-check on every programmer, with serial numbers, a log and a loop over chips.
#pragma once

#include <string>
#include <vector>

#include "cli/commands.h"

// The command can run as a production run (its options are added by AddProductionFlags).
bool IsProductionCommand(const std::string& name);
// The options ask for a production run: --all-devices, --serial, --serial-file, --log or --repeat.
bool IsProductionRun(const TCliOptions& o);
// Runs o.Command as a production run; the exit code.
int RunProduction(TCliOptions& o);

void AddProductionCommands(std::vector<TCliCommand>& out);
// Adds --log and --repeat (to write and verify --serial, to write --serial-file) to a production
// command.
void AddProductionFlags(TCliCommand& command);
