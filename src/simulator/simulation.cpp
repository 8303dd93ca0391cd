#include "simulator/simulation.h"

#include <cstdio>

std::string SimulatedSerialNumber(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "SIM%04d", n);
  return text;
}

TSimulation CreateSimulation(const std::string& imageFile) { return CreateSimulation(std::vector{imageFile}); }

TSimulation CreateSimulation(const std::vector<std::string>& imageFiles) {
  TSimulation s;
  s.Platform = std::make_unique<TSimulatedHidPlatform>();
  int n = 0;
  for (const std::string& imageFile : imageFiles.empty() ? std::vector<std::string>{""} : imageFiles) {
    auto programmer = std::make_shared<TSimulatedProgrammer>();
    if (!imageFile.empty()) programmer->AttachImageFile(imageFile);
    TSimulatedHidDeviceInfo info = TSimulatedProgrammer::DeviceInfo();
    info.SerialNumber = SimulatedSerialNumber(++n);
    s.Platform->PlugIn(info, programmer);
    s.Programmers.push_back(programmer);
  }
  s.Programmer = s.Programmers.front();
  return s;
}
