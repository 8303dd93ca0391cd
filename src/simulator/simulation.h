// The simulated programmer plugged into a simulated HID platform: what --simulate runs on.
#pragma once

#include <memory>
#include <string>

#include "hid/simulated_platform.h"
#include "simulator/simulated_programmer.h"

struct TSimulation {
  std::unique_ptr<TSimulatedHidPlatform> Platform;  // hand it to a THidDeviceController
  std::shared_ptr<TSimulatedProgrammer> Programmer; // stays reachable after that
};

// A platform with the simulated programmer plugged in. imageFile: the chip's contents in a binary
// file (see AttachImageFile), or empty for a blank chip kept in memory only.
TSimulation CreateSimulation(const std::string& imageFile = "");
