// The checksum that every UpdateView recomputes: 65536 additions at most.
#include <benchmark/benchmark.h>

#include "buffer/memory_buffer.h"

static void BM_CalcChecksum64K(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(CalcChecksum(0x10000));
  state.SetBytesProcessed(state.iterations() * 0x10000);
}
BENCHMARK(BM_CalcChecksum64K);
