#include "simulator/simulation.h"

TSimulation CreateSimulation(const std::string& imageFile) {
  TSimulation s;
  s.Platform = std::make_unique<TSimulatedHidPlatform>();
  s.Programmer = std::make_shared<TSimulatedProgrammer>();
  if (!imageFile.empty()) s.Programmer->AttachImageFile(imageFile);
  s.Platform->PlugIn(TSimulatedProgrammer::DeviceInfo(), s.Programmer);
  return s;
}
