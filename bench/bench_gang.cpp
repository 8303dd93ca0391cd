// A write with its read-back check on N simulated programmers at once (--all-devices), each
// answering every report after 1 ms (--sim-latency 1), as tesmaro-cli runs it. The wall time for
// N programmers should stay close to the time for one: the counter "vs_one" is the ratio.
#include <benchmark/benchmark.h>

#include "spawn_quiet.h"

#include <spawn.h>
#include <sys/wait.h>

#include <fcntl.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const fs::path& Folder() {
  static const fs::path folder = [] {
    fs::path f = fs::temp_directory_path() / "tesmaro-bench-gang";
    fs::create_directories(f);
    std::ofstream image(f / "image.bin", std::ios::binary);
    for (int i = 0; i < 8192; ++i) image.put(static_cast<char>(i * 13 + 5));
    return f;
  }();
  return folder;
}

std::map<int64_t, double>& Seconds() {
  static std::map<int64_t, double> s;  // programmers -> mean wall seconds
  return s;
}

// A 24C64 (8192 bytes, pages of 32): 258 exchanges to write, 258 to read back.
void BM_GangWrite(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  std::vector<std::string> args = {std::string(TESMARO_BINARY_DIR) + "/tesmaro-cli", "--sim-latency", "1"};
  for (int i = 0; i < n; ++i) args.push_back("--simulate=" + (Folder() / ("p" + std::to_string(i) + ".bin")).string());
  for (const char* a : {"--all-devices", "--chip", "24C64", "write"}) args.push_back(a);
  args.push_back((Folder() / "image.bin").string());
  double wall = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    if (SpawnQuiet(args) != 0) {
      state.SkipWithError("tesmaro-cli failed (--sim-latency not there?)");
      return;
    }
    const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    state.SetIterationTime(s);
    wall += s;
  }
  const double mean = wall / static_cast<double>(state.iterations());
  Seconds()[n] = mean;
  state.counters["programmers"] = n;
  if (Seconds().count(1)) state.counters["vs_one"] = mean / Seconds()[1];
}

}  // namespace

BENCHMARK(BM_GangWrite)->Arg(1)->Arg(2)->Arg(4)->Arg(8)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
