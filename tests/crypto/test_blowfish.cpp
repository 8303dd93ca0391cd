// Blowfish against the published vectors in the block layout, the key rules and the block forms.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "common/error.h"
#include "crypto/block_ciphers.h"
#include "crypto/blowfish_vectors.h"

namespace {

using TBlock = std::array<uint8_t, 8>;

// A published 64-bit value in the block layout: each 32-bit word least significant byte first.
TBlock ToBlock(uint64_t v) {
  TBlock b;
  for (int i = 0; i < 4; ++i) {
    b[i] = static_cast<uint8_t>(v >> (32 + 8 * i));
    b[4 + i] = static_cast<uint8_t>(v >> (8 * i));
  }
  return b;
}

// Key bytes in the order they are printed.
std::vector<uint8_t> KeyBytes(uint64_t v) {
  std::vector<uint8_t> k(8);
  for (int i = 0; i < 8; ++i) k[i] = static_cast<uint8_t>(v >> (56 - 8 * i));
  return k;
}

// The same value as Encrypt64 takes it: the left word in the low 32 bits.
uint64_t ToValue(uint64_t v) { return (v << 32) | (v >> 32); }

TBlock Encrypted(const TBlowfishCipher& c, uint64_t plain) {
  TBlock b = ToBlock(plain);
  c.EncryptBlock(b.data());
  return b;
}

TEST(Blowfish, PublishedVectorsInBlockLayout) {
  for (const auto& v : kBlowfishVectors) {
    SCOPED_TRACE(testing::Message() << std::hex << "key " << v.Key << " plain " << v.Plain);
    auto key = KeyBytes(v.Key);
    TBlowfishCipher c(key.data(), 8);
    TBlock b = ToBlock(v.Plain);
    c.EncryptBlock(b.data());
    EXPECT_EQ(b, ToBlock(v.Cipher));
    c.DecryptBlock(b.data());
    EXPECT_EQ(b, ToBlock(v.Plain));
    EXPECT_EQ(c.Encrypt64(ToValue(v.Plain)), ToValue(v.Cipher));
    EXPECT_EQ(c.Decrypt64(ToValue(v.Cipher)), ToValue(v.Plain));
  }
}

// Keys of 1 to 7 bytes are below the minimum; the key schedule cycles the key over 72 bytes,
// so each is tested as the 72-byte key it cycles to.
TEST(Blowfish, VariableKeyVectors) {
  for (int n = 1; n <= 24; ++n) {
    SCOPED_TRACE(n);
    std::vector<uint8_t> key(kVariableKey, kVariableKey + n);
    if (n < 8) {
      key.resize(72);
      for (int i = n; i < 72; ++i) key[i] = kVariableKey[i % n];
    }
    TBlowfishCipher c(key.data(), static_cast<int32_t>(key.size()));
    EXPECT_EQ(Encrypted(c, kVariableKeyPlain), ToBlock(kVariableKeyCiphers[n - 1]));
  }
}

TEST(Blowfish, KeyLengthRules) {
  std::vector<uint8_t> key(100, 0x5A);
  for (int32_t n : {0, 7}) {
    try {
      TBlowfishCipher c(key.data(), n);
      ADD_FAILURE() << "key of " << n << " bytes accepted";
    } catch (const TError& e) {
      EXPECT_STREQ(e.what(), "Key must be at least 8 bytes long.");
    }
  }
  EXPECT_NO_THROW(TBlowfishCipher(key.data(), 21));
  EXPECT_NO_THROW(TBlowfishCipher(key.data(), 100));

  // Bytes after the 72nd have no effect; the 72nd has.
  std::vector<uint8_t> other = key;
  other[72] ^= 0xFF;
  other[99] ^= 0x01;
  TBlowfishCipher a(key.data(), 100), b(other.data(), 100);
  other[71] ^= 0x01;
  TBlowfishCipher d(other.data(), 100);
  for (uint64_t plain : {0x0ULL, 0x0123456789ABCDEFULL}) {
    EXPECT_EQ(Encrypted(a, plain), Encrypted(b, plain));
    EXPECT_NE(Encrypted(a, plain), Encrypted(d, plain));
  }
}

TEST(Blowfish, ClassValues) {
  std::vector<uint8_t> key(8, 1);
  TBlowfishCipher c(key.data(), 8);
  const TBlockCipher& base = c;
  EXPECT_EQ(base.MinKeySize(), 8);
  EXPECT_EQ(base.MaxKeySize(), 56);
  EXPECT_EQ(base.BlockSize(), 8);
  EXPECT_EQ(base.EncryptedSize(0), 8);
  EXPECT_EQ(base.EncryptedSize(7), 8);
  EXPECT_EQ(base.EncryptedSize(8), 16);
}

// The many-block forms work on several blocks at once; each block must still come out as if
// enciphered alone, for every count including the ragged tails.
TEST(Blowfish, ManyBlocksEqualSingleBlocks) {
  const uint8_t key[] = "a key of twenty-one b";
  TBlowfishCipher c(key, 21);
  for (size_t count = 0; count <= 9; ++count) {
    SCOPED_TRACE(count);
    std::vector<uint8_t> data(count * 8);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i * 7 + count);
    std::vector<uint8_t> single = data, many = data;
    for (size_t i = 0; i < count; ++i) c.EncryptBlock(single.data() + 8 * i);
    c.EncryptBlocks(many.data(), count);
    EXPECT_EQ(many, single);
    c.DecryptBlocks(many.data(), count);
    EXPECT_EQ(many, data);
  }
}

}  // namespace
