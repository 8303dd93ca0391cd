// Blowfish in electronic-codebook mode over 16 MiB, and the key schedule, side by side with
// OpenSSL's low-level Blowfish functions on the same key and data.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <benchmark/benchmark.h>
#include <openssl/blowfish.h>

#include <vector>

#include "crypto/block_ciphers.h"
#include "crypto/stream.h"

namespace {

constexpr size_t kDataSize = 16 << 20;
const uint8_t kKey[21] = {0x3A, 0x91, 0x5C, 0x07, 0xE4, 0x28, 0xB6, 0x4F, 0x10, 0xD3, 0x62,
                          0x8E, 0x75, 0xC9, 0x1B, 0xA0, 0x4D, 0xF2, 0x36, 0x89, 0x5E};

std::vector<uint8_t> Data() {
  std::vector<uint8_t> d(kDataSize);
  for (size_t i = 0; i < d.size(); ++i) d[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
  return d;
}

void Tesmaro_EncryptEcb(benchmark::State& state) {
  TBlowfishCipher c(kKey, sizeof kKey);
  auto d = Data();
  for (auto _ : state) {
    c.EncryptBlocks(d.data(), d.size() / 8);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kDataSize);
}

void Tesmaro_DecryptEcb(benchmark::State& state) {
  TBlowfishCipher c(kKey, sizeof kKey);
  auto d = Data();
  for (auto _ : state) {
    c.DecryptBlocks(d.data(), d.size() / 8);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kDataSize);
}

// One block per call, as a caller of EncryptBlock sees it.
void Tesmaro_EncryptBlockByBlock(benchmark::State& state) {
  TBlowfishCipher c(kKey, sizeof kKey);
  auto d = Data();
  for (auto _ : state) {
    for (size_t i = 0; i < d.size(); i += 8) c.EncryptBlock(d.data() + i);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kDataSize);
}

// The stream operations between memory streams, padding and copies included; the destination
// is rewritten in place so that its first growth is not measured.
void Tesmaro_EncryptStream(benchmark::State& state) {
  TBlowfishCipher c(kKey, sizeof kKey);
  TMemoryStream src(Data()), dst;
  for (auto _ : state) {
    dst.Seek(0);
    src.Seek(0);
    c.EncryptStream(src, dst);
    benchmark::DoNotOptimize(dst.Memory());
  }
  state.SetBytesProcessed(state.iterations() * kDataSize);
}

void Tesmaro_DecryptStream(benchmark::State& state) {
  TBlowfishCipher c(kKey, sizeof kKey);
  TMemoryStream plain(Data()), cipher, dst;
  c.EncryptStream(plain, cipher);
  for (auto _ : state) {
    dst.Seek(0);
    cipher.Seek(0);
    c.DecryptStream(cipher, dst);
    benchmark::DoNotOptimize(dst.Memory());
  }
  state.SetBytesProcessed(state.iterations() * kDataSize);
}

void OpenSSL_EncryptEcb(benchmark::State& state) {
  BF_KEY key;
  BF_set_key(&key, sizeof kKey, kKey);
  auto d = Data();
  for (auto _ : state) {
    for (size_t i = 0; i < d.size(); i += 8) BF_ecb_encrypt(d.data() + i, d.data() + i, &key, BF_ENCRYPT);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kDataSize);
}

void OpenSSL_DecryptEcb(benchmark::State& state) {
  BF_KEY key;
  BF_set_key(&key, sizeof kKey, kKey);
  auto d = Data();
  for (auto _ : state) {
    for (size_t i = 0; i < d.size(); i += 8) BF_ecb_encrypt(d.data() + i, d.data() + i, &key, BF_DECRYPT);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kDataSize);
}

void Tesmaro_KeySchedule(benchmark::State& state) {
  for (auto _ : state) {
    TBlowfishCipher c(kKey, sizeof kKey);
    benchmark::DoNotOptimize(&c);
    benchmark::ClobberMemory();
  }
}

void OpenSSL_KeySchedule(benchmark::State& state) {
  BF_KEY key;
  for (auto _ : state) {
    BF_set_key(&key, sizeof kKey, kKey);
    benchmark::DoNotOptimize(&key);
    benchmark::ClobberMemory();
  }
}

}  // namespace

BENCHMARK(Tesmaro_EncryptEcb)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenSSL_EncryptEcb)->Unit(benchmark::kMillisecond);
BENCHMARK(Tesmaro_DecryptEcb)->Unit(benchmark::kMillisecond);
BENCHMARK(OpenSSL_DecryptEcb)->Unit(benchmark::kMillisecond);
BENCHMARK(Tesmaro_EncryptBlockByBlock)->Unit(benchmark::kMillisecond);
BENCHMARK(Tesmaro_EncryptStream)->Unit(benchmark::kMillisecond);
BENCHMARK(Tesmaro_DecryptStream)->Unit(benchmark::kMillisecond);
BENCHMARK(Tesmaro_KeySchedule)->Unit(benchmark::kMicrosecond);
BENCHMARK(OpenSSL_KeySchedule)->Unit(benchmark::kMicrosecond);
