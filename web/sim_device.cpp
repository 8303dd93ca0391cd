// The simulated programmer as a WebAssembly module of its own, for the page tests: the test's
// navigator.hid (web/tests/fake_hid.js) hands it every output report and delivers its answers,
// and the test reaches its chip, its chip properties and its faults.
#include <emscripten.h>

#include <cstdint>
#include <cstring>
#include <memory>

#include "simulator/chip_properties.h"
#include "simulator/simulated_programmer.h"

namespace {

std::unique_ptr<TSimulatedProgrammer> Sim = std::make_unique<TSimulatedProgrammer>();
TSimulatedResponse Response;

}  // namespace

extern "C" {

// A fresh programmer whose chip starts with the random bytes of seed.
EMSCRIPTEN_KEEPALIVE void sim_reset(int seed) {
  Sim = std::make_unique<TSimulatedProgrammer>(static_cast<uint64_t>(seed));
}

// Hands one output report (byte 0 the report ID) to the programmer: bit 0 set when it is not
// taken, bit 1 when the programmer is unplugged by it; the answers follow from sim_answer.
EMSCRIPTEN_KEEPALIVE int sim_output(const uint8_t* data, int length) {
  Response = TSimulatedResponse{};
  Sim->OutputReport(data, static_cast<size_t>(length), Response);
  return (Response.Refuse ? 1 : 0) | (Response.Unplug ? 2 : 0);
}

EMSCRIPTEN_KEEPALIVE int sim_answer_count() { return static_cast<int>(Response.Count); }

// Answer i into out (up to 256 bytes): its length. *delayMs receives its delay after the output
// report, -1 when it comes only after a read has waited for it in vain.
EMSCRIPTEN_KEEPALIVE int sim_answer(int i, uint8_t* out, int* delayMs) {
  if (i < 0 || static_cast<size_t>(i) >= Response.Count) return 0;
  const TSimulatedInput& in = Response.Inputs[static_cast<size_t>(i)];
  std::memcpy(out, in.Bytes.data(), in.Length);
  *delayMs = in.AfterTimeOut ? -1 : in.DelayMs;
  return static_cast<int>(in.Length);
}

// A fault as the CLI's --sim-fault gives it ("short@5", "unplug@40"): 1 when taken.
EMSCRIPTEN_KEEPALIVE int sim_add_fault(const char* text) { return Sim->AddFault(text) ? 1 : 0; }
EMSCRIPTEN_KEEPALIVE void sim_clear_faults() { Sim->ClearFaults(); }

// A chip property as the CLI's --sim-chip gives it ("size=8192", "write-protected"): 1 when taken.
EMSCRIPTEN_KEEPALIVE int sim_chip_property(const char* text) {
  try {
    TSimulatedChipProperties properties = Sim->Properties;
    TakeChipProperty(text, properties);
    Sim->SetChipProperties(properties);
    return 1;
  } catch (...) {
    return 0;
  }
}

EMSCRIPTEN_KEEPALIVE uint8_t* sim_chip() { return Sim->Chip.data(); }
EMSCRIPTEN_KEEPALIVE int sim_chip_size() { return static_cast<int>(Sim->Chip.size()); }
EMSCRIPTEN_KEEPALIVE int sim_exchange_count() { return static_cast<int>(Sim->ExchangeCount()); }
// Every answer arrives this long after its report, as from a real programmer.
EMSCRIPTEN_KEEPALIVE void sim_set_latency(int ms) { Sim->LatencyMs = ms; }
EMSCRIPTEN_KEEPALIVE void sim_set_version(int major, int minor) {
  Sim->Major = static_cast<uint8_t>(major);
  Sim->Minor = static_cast<uint8_t>(minor);
}

}  // extern "C"
