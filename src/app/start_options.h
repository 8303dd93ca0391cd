// What the program was started with: its folders, its settings file and its command line.
#pragma once

#include <string>
#include <vector>

#include "simulator/simulation.h"

struct TStartOptions {
  // The folder of the data files, made the current directory (ends with "/"): the executable's
  // folder, or share/tesmaro of an installed program.
  std::string ExeFolder;
  std::string SettingsFile;       // full name of the settings file
  std::string UserCatalogue;      // the user's own catalogue, merged after the shipped one ("" for none)
  std::string BackupFolder;       // where the chip's contents are kept before writing ("" for none)
  std::string CommandLineFile;    // first command-line argument: an Intel HEX file loaded at start
  bool Simulate = false;          // plug the simulated programmer in at start
  std::string SimulateImage;      // binary file holding the simulated chip's contents
  TSimulationOptions Simulation;  // --sim-latency, --sim-fault, --sim-seed, --sim-log (MS or =MS)
  std::string SimulationError;    // why a --sim-* option was not taken, shown at start
  bool Verbose = false;           // --verbose: say more on standard error (the simulated chip's seed)
  bool CloseAfterStart = false;   // close the window (saving the settings) once the start-up is done
  bool Dark = false;              // "--dark": dark colours where the desktop does not give the program its theme
  bool Help = false;              // "--help": print the usage and end, without a window
  bool Version = false;           // "--version": print the version and end, without a window
};

// Options of the running executable from its arguments (without the program name).
// "--simulate", "--simulate=IMAGE", the --sim-* options and "--verbose" are taken out; the first
// other argument is the file.
TStartOptions StartOptionsFromArguments(const std::vector<std::string>& args);

// Makes the files the user named (the command-line file, --simulate=IMAGE, --sim-log FILE)
// absolute against the current folder, the one the program was started from: the window then
// moves to its data folder. Empty names stay empty.
void ResolveUserPaths(TStartOptions& options);

// What "--help" and "--version" print.
std::string StartUsageText();
std::string StartVersionText();
