#include "simulator/simulation.h"

#include <cstdio>
#include <random>
#include <stdexcept>

#include "common/error.h"

namespace {

bool Digits(const std::string& s, size_t most = 9) {
  if (s.empty() || s.size() > most) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

// A seed of 64 random bits, so that every printed seed is one --sim-seed takes back.
uint64_t RandomSeed() {
  std::random_device random;
  return uint64_t{random()} << 32 | random();
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
    // Every value --verbose prints: 0 to 18446744073709551615.
    const char* const bad = "--sim-seed needs a number from 0 to 18446744073709551615";
    if (!Digits(value, 20)) throw TError(bad);
    try {
      o.Seed = std::stoull(value);
    } catch (const std::out_of_range&) {
      throw TError(bad);
    }
  } else if (name == "sim-chip") {
    TakeChipProperty(value, o.Chip);
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
         "  --sim-log FILE     append one line per report the simulated programmer receives\n"
         "  --sim-chip PROP    what the simulated chip is; repeatable: size=N (holds N bytes and\n"
         "                     wraps), write-protected, flaky=P (a bit flipped in a byte read with\n"
         "                     probability P), stuck-bit=B:V, swap-pairs, page=N (writes roll over)\n";
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
  s.Seed = all[0].Seed ? *all[0].Seed : RandomSeed();
  s.Platform = std::make_unique<TSimulatedHidPlatform>();
  for (size_t i = 0; i < all.size(); ++i) {
    const TSimulationOptions& o = all[i];
    auto p = std::make_shared<TSimulatedProgrammer>(o.Seed ? *o.Seed : s.Seed + i);
    p->LatencyMs = o.LatencyMs;
    p->SetChipProperties(o.Chip);
    // Asked for the device's pace, the simulation keeps real time throughout.
    if (o.LatencyMs > 0) s.Platform->RealTime = true;
    for (const auto& f : o.Faults) p->AddFault(f);
    if (!o.LogFile.empty()) p->LogTo(o.LogFile);
    if (!o.ImageFile.empty()) p->AttachImageFile(o.ImageFile);
    TSimulatedHidDeviceInfo info = TSimulatedProgrammer::DeviceInfo();
    info.SerialNumber = SimulatedSerialNumber(static_cast<int>(i) + 1);
    s.Platform->PlugIn(info, p);
    s.Programmers.push_back(p);
  }
  s.Programmer = s.Programmers.front();
  return s;
}
