// Blowfish: the published key schedule and block function, with each 32-bit half of a block
// stored least significant byte first.
#include <cstring>

#include "crypto/block_ciphers.h"
#include "crypto/blowfish_pi.h"

namespace {

// A half is kept little-endian in the byte blocks; compilers make these single loads and stores.
inline uint32_t LoadHalf(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}

inline void StoreHalf(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
  p[2] = static_cast<uint8_t>(v >> 16);
  p[3] = static_cast<uint8_t>(v >> 24);
}

}  // namespace

// F on the four bytes of a half, most significant byte into S0.
// clang-format off
#define BF_F(x) \
  (((S[0][(x) >> 24] + S[1][((x) >> 16) & 0xFF]) ^ S[2][((x) >> 8) & 0xFF]) + S[3][(x) & 0xFF])

// Rounds 1 to 16 after "l ^= P0"; ROUND(a, b, n) does "a ^= F(b) ^ Pn" on one or more blocks.
#define BF_ENCIPHER_ROUNDS(ROUND, l, r)                                                   \
  ROUND(r, l, 1); ROUND(l, r, 2); ROUND(r, l, 3); ROUND(l, r, 4); ROUND(r, l, 5);         \
  ROUND(l, r, 6); ROUND(r, l, 7); ROUND(l, r, 8); ROUND(r, l, 9); ROUND(l, r, 10);       \
  ROUND(r, l, 11); ROUND(l, r, 12); ROUND(r, l, 13); ROUND(l, r, 14); ROUND(r, l, 15);   \
  ROUND(l, r, 16)

// The same with the P-array backwards, after "l ^= P17".
#define BF_DECIPHER_ROUNDS(ROUND, l, r)                                                   \
  ROUND(r, l, 16); ROUND(l, r, 15); ROUND(r, l, 14); ROUND(l, r, 13); ROUND(r, l, 12);   \
  ROUND(l, r, 11); ROUND(r, l, 10); ROUND(l, r, 9); ROUND(r, l, 8); ROUND(l, r, 7);      \
  ROUND(r, l, 6); ROUND(l, r, 5); ROUND(r, l, 4); ROUND(l, r, 3); ROUND(r, l, 2);        \
  ROUND(l, r, 1)

#define BF_ROUND1(a, b, n) ((a) ^= BF_F(b) ^ P[n])
#define BF_ROUND4(a, b, n)       \
  do {                           \
    const uint32_t pn = P[n];    \
    a##0 ^= BF_F(b##0) ^ pn;     \
    a##1 ^= BF_F(b##1) ^ pn;     \
    a##2 ^= BF_F(b##2) ^ pn;     \
    a##3 ^= BF_F(b##3) ^ pn;     \
  } while (0)
// clang-format on

#if defined(_MSC_VER)
#define BF_ALWAYS_INLINE __forceinline
#else
#define BF_ALWAYS_INLINE inline __attribute__((always_inline))
#endif

namespace {

// One block as published: the output halves are (r, l) after the last round.
BF_ALWAYS_INLINE void Encipher(const uint32_t* P, const uint32_t (*S)[256], uint32_t& left, uint32_t& right) {
  uint32_t l = left ^ P[0], r = right;
  BF_ENCIPHER_ROUNDS(BF_ROUND1, l, r);
  left = r ^ P[17];
  right = l;
}

BF_ALWAYS_INLINE void Decipher(const uint32_t* P, const uint32_t (*S)[256], uint32_t& left, uint32_t& right) {
  uint32_t l = left ^ P[17], r = right;
  BF_DECIPHER_ROUNDS(BF_ROUND1, l, r);
  left = r ^ P[0];
  right = l;
}

}  // namespace

TBlowfishCipher::TBlowfishCipher(const void* key, int32_t keyLength) : T64BitBlockCipher(keyLength, kMinKeySize) {
  std::memcpy(PArray, kBlowfishInitialP, sizeof PArray);
  std::memcpy(SBoxes, kBlowfishInitialS, sizeof SBoxes);
  // Key bytes, cycled from the key's start, most significant first into each P word.
  const auto* k = static_cast<const uint8_t*>(key);
  int32_t at = 0;
  for (uint32_t& p : PArray) {
    uint32_t word = 0;
    for (int i = 0; i < 4; ++i) {
      word = (word << 8) | k[at];
      if (++at == keyLength) at = 0;
    }
    p ^= word;
  }
  // 521 chained encryptions from a zero block replace P, then S0 to S3, pairwise.
  uint32_t l = 0, r = 0;
  for (int i = 0; i < 18; i += 2) {
    Encipher(PArray, SBoxes, l, r);
    PArray[i] = l;
    PArray[i + 1] = r;
  }
  for (auto& box : SBoxes) {
    for (int i = 0; i < 256; i += 2) {
      Encipher(PArray, SBoxes, l, r);
      box[i] = l;
      box[i + 1] = r;
    }
  }
}

void TBlowfishCipher::EncryptBlock(uint8_t* block) const {
  uint32_t l = LoadHalf(block), r = LoadHalf(block + 4);
  Encipher(PArray, SBoxes, l, r);
  StoreHalf(block, l);
  StoreHalf(block + 4, r);
}

void TBlowfishCipher::DecryptBlock(uint8_t* block) const {
  uint32_t l = LoadHalf(block), r = LoadHalf(block + 4);
  Decipher(PArray, SBoxes, l, r);
  StoreHalf(block, l);
  StoreHalf(block + 4, r);
}

uint64_t TBlowfishCipher::Encrypt64(uint64_t value) const {
  uint32_t l = static_cast<uint32_t>(value), r = static_cast<uint32_t>(value >> 32);
  Encipher(PArray, SBoxes, l, r);
  return (static_cast<uint64_t>(r) << 32) | l;
}

uint64_t TBlowfishCipher::Decrypt64(uint64_t value) const {
  uint32_t l = static_cast<uint32_t>(value), r = static_cast<uint32_t>(value >> 32);
  Decipher(PArray, SBoxes, l, r);
  return (static_cast<uint64_t>(r) << 32) | l;
}

// Four independent blocks at a time: each block's rounds form one long chain of dependent
// lookups, so interleaving four chains keeps the processor busy while lookups are in flight.
void TBlowfishCipher::EncryptBlocks(uint8_t* data, size_t count) const {
  const uint32_t* P = PArray;
  const uint32_t(*S)[256] = SBoxes;
  for (; count >= 4; count -= 4, data += 32) {
    uint32_t l0 = LoadHalf(data) ^ P[0], r0 = LoadHalf(data + 4);
    uint32_t l1 = LoadHalf(data + 8) ^ P[0], r1 = LoadHalf(data + 12);
    uint32_t l2 = LoadHalf(data + 16) ^ P[0], r2 = LoadHalf(data + 20);
    uint32_t l3 = LoadHalf(data + 24) ^ P[0], r3 = LoadHalf(data + 28);
    BF_ENCIPHER_ROUNDS(BF_ROUND4, l, r);
    StoreHalf(data, r0 ^ P[17]), StoreHalf(data + 4, l0);
    StoreHalf(data + 8, r1 ^ P[17]), StoreHalf(data + 12, l1);
    StoreHalf(data + 16, r2 ^ P[17]), StoreHalf(data + 20, l2);
    StoreHalf(data + 24, r3 ^ P[17]), StoreHalf(data + 28, l3);
  }
  for (; count > 0; --count, data += 8) EncryptBlock(data);
}

void TBlowfishCipher::DecryptBlocks(uint8_t* data, size_t count) const {
  const uint32_t* P = PArray;
  const uint32_t(*S)[256] = SBoxes;
  for (; count >= 4; count -= 4, data += 32) {
    uint32_t l0 = LoadHalf(data) ^ P[17], r0 = LoadHalf(data + 4);
    uint32_t l1 = LoadHalf(data + 8) ^ P[17], r1 = LoadHalf(data + 12);
    uint32_t l2 = LoadHalf(data + 16) ^ P[17], r2 = LoadHalf(data + 20);
    uint32_t l3 = LoadHalf(data + 24) ^ P[17], r3 = LoadHalf(data + 28);
    BF_DECIPHER_ROUNDS(BF_ROUND4, l, r);
    StoreHalf(data, r0 ^ P[0]), StoreHalf(data + 4, l0);
    StoreHalf(data + 8, r1 ^ P[0]), StoreHalf(data + 12, l1);
    StoreHalf(data + 16, r2 ^ P[0]), StoreHalf(data + 20, l2);
    StoreHalf(data + 24, r3 ^ P[0]), StoreHalf(data + 28, l3);
  }
  for (; count > 0; --count, data += 8) DecryptBlock(data);
}
