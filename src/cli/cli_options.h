// The command line of tesmaro-cli: global options, the command and its arguments.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "session/exit_codes.h"
#include "simulator/simulation.h"

struct TCliOptions {
  std::string Catalogue;                    // --catalogue FILE
  std::string UserCatalogue;                // the user's own catalogue, merged after it; "" with --catalogue
  std::string Chip;                         // --chip NAME
  bool Simulate = false;                    // --simulate[=IMAGE]
  std::string SimulateImage;                // the first --simulate's image
  TSimulationOptions Simulation;            // --sim-* (image: SimulateImage)
  bool Verbose = false;                     // --verbose
  bool Quiet = false;                       // --quiet: errors only
  std::vector<std::string> SimulateImages;  // one per --simulate: that many simulated programmers
  std::vector<size_t> SimulateFaultOwners;  // per Simulation.Faults: the --simulate it follows (0: first)
  std::string Device;                       // --device NODE|SERIAL|PATH: the programmer to use
  bool AllDevices = false;                  // --all-devices: every connected programmer at once
  std::string Command;
  std::vector<std::string> Args;             // the command's positional arguments
  std::map<std::string, std::string> Flags;  // other "--name value" / "--name=value" / "--name" options
  // Every value of an option that may be given more than once (--ignore), in order; Flags holds
  // the last one.
  std::map<std::string, std::vector<std::string>> Lists;
  bool Help = false;            // --help, -h or "help": print the help (of Command when one is named)
  bool ProgramVersion = false;  // --version

  // The catalogue files merged in order.
  std::vector<std::string> CatalogueFiles() const {
    if (UserCatalogue.empty()) return {Catalogue};
    return {Catalogue, UserCatalogue};
  }
};

// An error that ends the CLI with an exit code and one line on standard error.
using TCliError = TCommandError;
