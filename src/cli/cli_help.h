// The help texts of tesmaro-cli: the whole program's, and one command's usage, options and example.
#pragma once

#include <string>

#include "cli/commands.h"

// Every command and option, the image formats and the exit codes.
std::string ProgramHelp();
// The command's usage, summary, its own options, the global ones in short, and an example.
std::string CommandHelp(const TCliCommand& command);
// One example of the command as a user types it; empty when it has none.
std::string CommandExample(const std::string& name);
