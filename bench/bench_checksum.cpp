// The checksum of a chip's bytes as the status bar shows it: 65536 additions at most.
#include <benchmark/benchmark.h>

#include <vector>

#include "buffer/memory_buffer.h"

static void BM_Checksum64K(benchmark::State& state) {
  const std::vector<uint8_t> image(kMemoryBufferSize, 0x5A);
  for (auto _ : state) benchmark::DoNotOptimize(ChecksumOf(image, 0x10000));
  state.SetBytesProcessed(state.iterations() * 0x10000);
}
BENCHMARK(BM_Checksum64K);
