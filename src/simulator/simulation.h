// The simulated programmer plugged into a simulated HID platform: what --simulate runs on, with
// the --sim-* options that both programs take.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hid/simulated_platform.h"
#include "simulator/simulated_programmer.h"

struct TSimulation {
  std::unique_ptr<TSimulatedHidPlatform> Platform;                 // hand it to a THidDeviceController
  std::shared_ptr<TSimulatedProgrammer> Programmer;                // stays reachable after that (the first one)
  std::vector<std::shared_ptr<TSimulatedProgrammer>> Programmers;  // every one, in plug-in order
  uint64_t Seed = 1;                                               // of the (first) simulated chip's first contents
};

// The USB serial number string of the simulated programmer plugged in n-th (from 1): "SIM0001".
std::string SimulatedSerialNumber(int n);

struct TSimulationOptions {
  std::string ImageFile;            // --simulate=IMAGE
  std::optional<uint64_t> Seed;     // --sim-seed N (64 bits); a random one when not given
  int LatencyMs = 0;                // --sim-latency MS; above 0 the platform keeps real time
  std::vector<std::string> Faults;  // --sim-fault KIND@N, in order
  std::string LogFile;              // --sim-log FILE
  TSimulatedChipProperties Chip;    // --sim-chip PROP[=VALUE], repeatable
};

// Takes one --sim-* option (name without the dashes) into options: false when name is not one,
// TError when its value is not valid.
bool TakeSimulationOption(const std::string& name, const std::string& value, TSimulationOptions& options);

// The usage lines of the --sim-* options, for the programs' help texts.
const char* SimulationOptionsHelp();

// A platform with the simulated programmer plugged in. imageFile: the chip's contents in a binary
// file (see AttachImageFile), or empty for a chip kept in memory only; seed 1.
TSimulation CreateSimulation(const std::string& imageFile = "");
// The same with the options' latency, faults and log. TError when the image or the log cannot be
// used.
TSimulation CreateSimulation(const TSimulationOptions& options);

// One simulated programmer per entry of each (at least one), plugged in in that order, each with
// its own serial number string and its options' image, faults and latency. A programmer without a
// seed of its own takes the first one's seed plus its index. TError as above.
TSimulation CreateSimulation(const std::vector<TSimulationOptions>& each);
