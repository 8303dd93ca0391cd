// The host's own cost per exchange of a chip read against the simulated programmer (no USB
// latency): a 1 MiB type 2 chip (32768 blocks) and a 93C86 in words (1024 units). "Routine" runs
// the read routine with a user interface that only takes the progress; "Window" runs the main
// window's Read chip command offscreen, progress bar, repaints and event-loop turns included.
// ns/exchange is the figure to hold against a USB frame of about 1 ms. The window's figure also
// spreads the command's fixed costs over the exchanges: about 101 repaints of the progress bar
// (one per position) and the view's refresh at the end.
#include <benchmark/benchmark.h>

#include <QAction>
#include <QApplication>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "app/main_window.h"
#include "buffer/memory_buffer.h"
#include "common/scripted_user_interface.h"
#include "programmer/chip_operations.h"
#include "simulator/simulation.h"

namespace {

struct TBenchChip {
  const char* Name;
  const char* Family;
  int32_t Type;
  int32_t Size;
  int32_t PageSize;
  int32_t Org;
};
const TBenchChip kChips[] = {{"TEST1M", "Large", 2, 1 << 20, 32, 0}, {"93C86-16", "93Cxx x16", 3, 2048, 2, 1}};

TChip ChipOf(const TBenchChip& c) {
  TChip chip;
  chip.Family = c.Family;
  chip.Name = c.Name;
  chip.ChipType = c.Type;
  chip.Size = c.Size;
  chip.PageSize = c.PageSize;
  chip.Org = c.Org;
  chip.Status = 1;
  return chip;
}

// Takes the progress the way the window's sink does: only a changed position goes on.
class TProgressOnly : public TScriptedUserInterface {
 public:
  int Changes = 0;
  void SetProgress(int position) override {
    if (position == Last_) return;
    Last_ = position;
    ++Changes;
  }

 private:
  int Last_ = 0;
};

// Wall time of the timed loop per exchange, and the exchanges of one read.
void Report(benchmark::State& state, std::chrono::steady_clock::duration elapsed, uint64_t exchanges) {
  const double ns = std::chrono::duration<double, std::nano>(elapsed).count();
  state.counters["exchanges"] = static_cast<double>(exchanges) / static_cast<double>(state.iterations());
  state.counters["ns/exchange"] = ns / static_cast<double>(exchanges);
}

void BM_ReadRoutine(benchmark::State& state) {
  const TChip chip = ChipOf(kChips[state.range(0)]);
  TSimulation sim = CreateSimulation();
  TManualHidEventLoop loop;
  THidDeviceController controller(std::move(sim.Platform), loop);
  TProgrammer programmer(controller);
  TProgressOnly ui;
  controller.OnDeviceChange = [&](THidDeviceController&) { programmer.DeviceChange(ui); };
  loop.RunPosted();
  if (!programmer.HeldDevice) return state.SkipWithError("no programmer");
  const uint64_t first = sim.Programmer->ExchangeCount();
  const auto start = std::chrono::steady_clock::now();
  std::vector<uint8_t> image(kMemoryBufferSize);
  for (auto _ : state)
    if (ReadChipTo(programmer, chip, image, ui) != TChipRun::Done) return state.SkipWithError("read failed");
  Report(state, std::chrono::steady_clock::now() - start, sim.Programmer->ExchangeCount() - first);
  state.SetLabel(chip.Name);
}
BENCHMARK(BM_ReadRoutine)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

QApplication& App() {
  static int argc = 1;
  static char name[] = "bench_chipops";
  static char* argv[] = {name, nullptr};
  static std::unique_ptr<QApplication> app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QApplication>(argc, argv);
  }();
  return *app;
}

// A shown window on the simulated programmer whose catalogue and settings are in `dir`, once its
// start-up device change has claimed the programmer (or after 100 event rounds without one).
struct TBenchWindow {
  static TStartOptions OptionsIn(const std::filesystem::path& dir) {
    TStartOptions o;
    o.ExeFolder = dir.string() + "/";
    o.SettingsFile = (dir / "tesmaro.ini").string();
    o.Simulate = true;
    return o;
  }
  explicit TBenchWindow(const std::filesystem::path& dir) : Window(OptionsIn(dir), &Ui) {
    Window.show();
    Window.Activate();
    for (int i = 0; i < 100 && !Window.Programmer.HeldDevice; ++i) QApplication::processEvents();
  }
  TScriptedUserInterface Ui;
  TMainWindow Window;
};

void BM_ReadWindowCommand(benchmark::State& state) {
  const TBenchChip& c = kChips[state.range(0)];
  App();
  std::random_device rd;
  const auto dir = std::filesystem::temp_directory_path() / ("tesmaro-bench-" + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "see.ini") << "[" << c.Family << "]\ntype=" << c.Type << "\n"
                                 << c.Name << "=1," << c.Size << "," << c.PageSize << "," << c.Org << ",5\n";
  std::ofstream(dir / "tesmaro.ini") << "[Main]\nChip=" << c.Name << "\n";
  {
    TBenchWindow w(dir);
    TScriptedUserInterface& ui = w.Ui;
    TMainWindow& f = w.Window;
    if (!f.Programmer.HeldDevice || f.CurrentChip.Name != c.Name) {
      state.SkipWithError("no programmer or chip");
    } else {
      const uint64_t first = f.SimulatedProgrammer->ExchangeCount();
      const auto start = std::chrono::steady_clock::now();
      for (auto _ : state) f.ReadChip();
      Report(state, std::chrono::steady_clock::now() - start, f.SimulatedProgrammer->ExchangeCount() - first);
      if (!ui.Shown.empty()) state.SkipWithError("the command showed a box");
      state.SetLabel(c.Name);
    }
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ReadWindowCommand)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// What a command costs around its exchanges: Read chip of a 128-byte chip (six exchanges) as the
// menu item runs it, through the window's busy gate, the runner's worker thread and the view's
// refresh.
void BM_CommandStart(benchmark::State& state) {
  App();
  std::random_device rd;
  const auto dir = std::filesystem::temp_directory_path() / ("tesmaro-bench-" + std::to_string(rd()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "see.ini") << "[24Cxx]\ntype=1\n24C01=1,128,8,0,5\n";
  std::ofstream(dir / "tesmaro.ini") << "[Main]\nChip=24C01\n";
  {
    TBenchWindow w(dir);
    TScriptedUserInterface& ui = w.Ui;
    TMainWindow& f = w.Window;
    QAction* read = f.findChild<QAction*>("ReadChip1");
    if (!f.Programmer.HeldDevice || !read) {
      state.SkipWithError("no programmer or command");
    } else {
      const uint64_t first = f.SimulatedProgrammer->ExchangeCount();
      const auto start = std::chrono::steady_clock::now();
      for (auto _ : state) read->trigger();
      Report(state, std::chrono::steady_clock::now() - start, f.SimulatedProgrammer->ExchangeCount() - first);
      if (!ui.Shown.empty()) state.SkipWithError("the command showed a box");
    }
  }
  std::filesystem::remove_all(dir);
}
BENCHMARK(BM_CommandStart)->Unit(benchmark::kMicrosecond);

}  // namespace
