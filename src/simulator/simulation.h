// The simulated programmer plugged into a simulated HID platform: what --simulate runs on.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "hid/simulated_platform.h"
#include "simulator/simulated_programmer.h"

struct TSimulation {
  std::unique_ptr<TSimulatedHidPlatform> Platform;  // hand it to a THidDeviceController
  std::shared_ptr<TSimulatedProgrammer> Programmer; // stays reachable after that (the first one)
  std::vector<std::shared_ptr<TSimulatedProgrammer>> Programmers;  // every one, in plug-in order
};

// The USB serial number string of the simulated programmer plugged in n-th (from 1): "SIM0001".
std::string SimulatedSerialNumber(int n);

// A platform with the simulated programmer plugged in. imageFile: the chip's contents in a binary
// file (see AttachImageFile), or empty for a blank chip kept in memory only.
TSimulation CreateSimulation(const std::string& imageFile = "");

// A platform with one simulated programmer per entry of imageFiles (at least one), each with its
// own serial number string.
TSimulation CreateSimulation(const std::vector<std::string>& imageFiles);
