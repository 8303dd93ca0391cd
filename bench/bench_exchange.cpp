// The host's own cost of one exchange (write one report, read one report) against the
// zero-latency simulated programmer, through the controller and the device as the program uses
// them. Also counts heap allocations per exchange, which should be none.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "common/scripted_user_interface.h"
#include "programmer/programmer.h"
#include "simulator/simulation.h"

namespace {
std::atomic<long> Allocations{0};
}

// Replaced global allocation functions: GCC cannot see that they pair up.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) {
  ++Allocations;
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

static void BM_ExchangeChipRead(benchmark::State& state) {
  TSimulation sim = CreateSimulation();
  TManualHidEventLoop loop;
  THidDeviceController controller(std::move(sim.Platform), loop);
  TProgrammer programmer(controller);
  TScriptedUserInterface ui;
  controller.OnDeviceChange = [&](THidDeviceController&) { programmer.DeviceChange(ui); };
  loop.RunPosted();
  if (!programmer.HeldDevice) {
    state.SkipWithError("no programmer");
    return;
  }
  TChip chip;
  chip.ChipType = 2;
  chip.Size = 1 << 20;
  chip.PageSize = 32;
  uint32_t address = 0;
  long before = Allocations.load();
  for (auto _ : state) {
    programmer.BuildHeader(chip, CmdRead, 1);
    programmer.Report[5] = 32;
    programmer.Report[7] = address & 0xFF;
    programmer.Report[8] = (address >> 8) & 0xFF;
    programmer.Report[9] = (address >> 16) & 0xFF;
    benchmark::DoNotOptimize(programmer.ExchangeReport());
    address = (address + 32) & 0xFFFFF;
  }
  state.counters["allocs/exchange"] =
      benchmark::Counter(static_cast<double>(Allocations.load() - before) / static_cast<double>(state.iterations()));
}
BENCHMARK(BM_ExchangeChipRead);
