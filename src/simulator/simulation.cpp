#include "simulator/simulation.h"

#include <cstdio>
#include <random>

#include "common/error.h"

namespace {

bool Digits(const std::string& s) {
  if (s.empty() || s.size() > 9) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

bool TakeSimulationOption(const std::string& name, const std::string& value, TSimulationOptions& o) {
  if (name == "sim-latency") {
    if (!Digits(value) || std::stoi(value) > 60000) throw TError("--sim-latency needs milliseconds from 0 to 60000");
    o.LatencyMs = std::stoi(value);
  } else if (name == "sim-fault") {
    if (!TSimulatedProgrammer::ValidFault(value))
      throw TError("--sim-fault needs KIND@N with KIND one of " + TSimulatedProgrammer::FaultKindNames());
    o.Faults.push_back(value);
  } else if (name == "sim-seed") {
    if (!Digits(value)) throw TError("--sim-seed needs a number");
    o.Seed = static_cast<uint32_t>(std::stoul(value));
  } else if (name == "sim-log") {
    if (value.empty()) throw TError("--sim-log needs a file");
    o.LogFile = value;
  } else {
    return false;
  }
  return true;
}

const char* SimulationOptionsHelp() {
  return "  --sim-latency MS   the simulated programmer answers MS ms after each report (1: real pace)\n"
         "  --sim-fault KIND@N a fault at exchange N (from 0): noanswer, late, unplug, flip,\n"
         "                     refuse-write or short (a reply of fewer than 64 bytes); repeatable\n"
         "  --sim-seed N       the seed of the simulated chip's first contents (random otherwise)\n"
         "  --sim-log FILE     append one line per report the simulated programmer receives\n";
}

TSimulation CreateSimulation(const std::string& imageFile) {
  TSimulationOptions o;
  o.ImageFile = imageFile;
  o.Seed = 1;
  return CreateSimulation(o);
}

TSimulation CreateSimulation(const TSimulationOptions& o) { return CreateSimulation(std::vector{o}); }

std::string SimulatedSerialNumber(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "SIM%04d", n);
  return text;
}

TSimulation CreateSimulation(const std::vector<TSimulationOptions>& each) {
  const std::vector<TSimulationOptions> all = each.empty() ? std::vector<TSimulationOptions>(1) : each;
  TSimulation s;
  s.Seed = all[0].Seed ? *all[0].Seed : std::random_device()();
  s.Platform = std::make_unique<TSimulatedHidPlatform>();
  for (size_t i = 0; i < all.size(); ++i) {
    const TSimulationOptions& o = all[i];
    auto p = std::make_shared<TSimulatedProgrammer>(o.Seed ? *o.Seed : s.Seed + static_cast<uint32_t>(i));
    p->LatencyMs = o.LatencyMs;
    for (const auto& f : o.Faults) p->AddFault(f);
    if (!o.LogFile.empty()) p->LogTo(o.LogFile);
    if (!o.ImageFile.empty()) p->AttachImageFile(o.ImageFile);
    TSimulatedHidDeviceInfo info = TSimulatedProgrammer::DeviceInfo();
    info.SerialNumber = SimulatedSerialNumber(static_cast<int>(i) + 1);
    info.LockFile = o.LockFile.empty() ? o.ImageFile : o.LockFile;
    s.Platform->PlugIn(info, p);
    s.Programmers.push_back(p);
  }
  s.Programmer = s.Programmers.front();
  return s;
}
