// The difference finder over 1 MiB: equal images (the common verify and compare), one differing
// byte at the end, and every byte different.
#include <benchmark/benchmark.h>

#include <vector>

#include "buffer/differences.h"

namespace {

void Run(benchmark::State& state, size_t changedEvery) {
  std::vector<uint8_t> a(0x100000), b;
  for (size_t i = 0; i < a.size(); ++i) a[i] = static_cast<uint8_t>(i * 31);
  b = a;
  if (changedEvery)
    for (size_t i = changedEvery - 1; i < b.size(); i += changedEvery) b[i] ^= 1;
  for (auto _ : state) benchmark::DoNotOptimize(FindDifferences(a, b, 16));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(a.size()));
}

void BM_FindDifferences1MiBEqual(benchmark::State& state) { Run(state, 0); }
void BM_FindDifferences1MiBLastByte(benchmark::State& state) { Run(state, 0x100000); }
void BM_FindDifferences1MiBAllBytes(benchmark::State& state) { Run(state, 1); }

}  // namespace

BENCHMARK(BM_FindDifferences1MiBEqual)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindDifferences1MiBLastByte)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindDifferences1MiBAllBytes)->Unit(benchmark::kMicrosecond);
