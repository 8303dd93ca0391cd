// Reading tesmaro-cli's command line. Every option is one row of a table: how it takes its value,
// whether every command accepts it, its help line. Options may stand before or after the command.
#pragma once

#include <string>
#include <vector>

#include "cli/cli_options.h"

// How an option takes its value.
enum class TOptionValue {
  None,      // a switch: --yes
  Required,  // --log FILE or --log=FILE
  Optional,  // only as --simulate=IMAGE
};

struct TCliOptionRow {
  const char* Name;      // without the dashes
  const char* Argument;  // the value's placeholder in the help ("FILE"); "" for a switch
  TOptionValue Value;
  bool Global;      // accepted with every command; else only with the commands that list it
  bool Repeatable;  // every value is kept in TCliOptions::Lists
  const char* Help;
  // Stores a global option in the options; null: the value goes to Flags (and Lists).
  void (*Take)(TCliOptions& o, const std::string& value, bool hasValue);
};

// The options, global ones first, in the order the help lists them. The simulator's --sim-*
// options are not rows: every "--sim-" option goes to TakeSimulationOption.
const std::vector<TCliOptionRow>& CliOptionRows();
// The row of an option name (without dashes); null for none.
const TCliOptionRow* FindOptionRow(const std::string& name);

// Reads the command line. TCliError (usage) for an unknown command or option, an option that the
// command does not take, a missing or unexpected value.
TCliOptions ParseCommandLine(int argc, const char* const* argv);
