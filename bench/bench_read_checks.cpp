// The read check of 1 MiB (random contents, contents that repeat, 7-bit text, and a blank chip
// whose last byte differs: the longest comparisons) and the deciding of three 1 MiB reads
// (agreeing, and one byte in a hundred flipped in each read).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analysis/read_agreement.h"
#include "analysis/read_signs.h"

namespace {

constexpr size_t kSize = 0x100000;

std::vector<uint8_t> Random(uint32_t seed) {
  std::mt19937 r(seed);
  std::vector<uint8_t> v(kSize);
  for (auto& b : v) b = static_cast<uint8_t>(r());
  return v;
}

void CheckRead(benchmark::State& state, const std::vector<uint8_t>& data) {
  for (auto _ : state) benchmark::DoNotOptimize(FindReadSigns(data));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(data.size()));
}

void BM_ReadCheck1MiBRandom(benchmark::State& state) { CheckRead(state, Random(1)); }

void BM_ReadCheck1MiBRepeating(benchmark::State& state) {
  std::vector<uint8_t> v = Random(1);
  for (size_t i = 4096; i < v.size(); ++i) v[i] = v[i - 4096];
  CheckRead(state, v);
}

void BM_ReadCheck1MiBBlankButTheLastByte(benchmark::State& state) {
  std::vector<uint8_t> v(kSize, 0xFF);
  v.back() = 0x7F;
  CheckRead(state, v);
}

// Lines of printable ASCII with NUL padding: every byte has bit 7 clear.
void BM_ReadCheck1MiBText7Bit(benchmark::State& state) {
  std::mt19937 r(3);
  std::vector<uint8_t> v(kSize);
  for (size_t i = 0; i < v.size(); ++i) v[i] = i % 64 >= 48 ? 0 : static_cast<uint8_t>(0x20 + r() % 0x5F);
  CheckRead(state, v);
}

void Decide(benchmark::State& state, double flipped) {
  std::vector<std::vector<uint8_t>> reads(3, Random(1));
  std::mt19937 r(2);
  std::uniform_real_distribution<double> chance(0, 1);
  for (auto& read : reads)
    for (auto& b : read)
      if (chance(r) < flipped) b ^= static_cast<uint8_t>(1u << (r() % 8));
  const std::vector<std::span<const uint8_t>> views(reads.begin(), reads.end());
  std::vector<uint8_t> out(kSize);
  for (auto _ : state) benchmark::DoNotOptimize(DecideReads(views, out));
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(3 * kSize));
}

void BM_DecideThree1MiBReadsAgreeing(benchmark::State& state) { Decide(state, 0); }
void BM_DecideThree1MiBReadsFlaky(benchmark::State& state) { Decide(state, 0.01); }

}  // namespace

BENCHMARK(BM_ReadCheck1MiBRandom)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadCheck1MiBRepeating)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadCheck1MiBBlankButTheLastByte)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ReadCheck1MiBText7Bit)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecideThree1MiBReadsAgreeing)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DecideThree1MiBReadsFlaky)->Unit(benchmark::kMicrosecond);
