// The stream and string operations: padding, piece handling, refused ciphertexts, round trips.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/error.h"
#include "crypto/block_ciphers.h"

namespace {

using TBytes = std::vector<uint8_t>;

class CipherStreams : public testing::Test {
 protected:
  const TBlowfishCipher Cipher{"twenty-one byte key!!", 21};

  static TBytes Pattern(size_t n, uint8_t seed = 0) {
    TBytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 31 + seed);
    return b;
  }
  TBytes Encrypt(const TBytes& plain) const {
    TMemoryStream src(plain), dst;
    Cipher.EncryptStream(src, dst);
    return dst.Bytes();
  }
  TBytes Decrypt(const TBytes& cipher) const {
    TMemoryStream src(cipher), dst;
    Cipher.DecryptStream(src, dst);
    return dst.Bytes();
  }
  // Electronic codebook without padding: the ciphertext of exactly these blocks.
  TBytes EncryptBlocks(TBytes plain) const {
    Cipher.EncryptBlocks(plain.data(), plain.size() / 8);
    return plain;
  }
  TBytes DecryptBlocks(TBytes cipher) const {
    Cipher.DecryptBlocks(cipher.data(), cipher.size() / 8);
    return cipher;
  }
};

TEST_F(CipherStreams, EncryptPadsOneToEightBytes) {
  struct {
    size_t In, Out;
    uint8_t Count;
  } cases[] = {{0, 8, 8}, {7, 8, 1}, {8, 16, 8}, {4095, 4096, 1}, {4096, 4104, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.In);
    TBytes plain = Pattern(c.In);
    TBytes out = Encrypt(plain);
    ASSERT_EQ(out.size(), c.Out);
    EXPECT_EQ(static_cast<size_t>(Cipher.EncryptedSize(static_cast<int32_t>(c.In))), c.Out);
    TBytes clear = DecryptBlocks(out);
    EXPECT_EQ(clear.back(), c.Count);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), clear.begin()));  // no chaining
  }
}

TEST_F(CipherStreams, RoundTripsAndMatchesStringForm) {
  for (size_t n : {0, 1, 7, 8, 9, 63, 4088, 4095, 4096, 4097, 8191, 8192, 8200, 12345}) {
    SCOPED_TRACE(n);
    TBytes plain = Pattern(n, static_cast<uint8_t>(n));
    TBytes cipher = Encrypt(plain);
    EXPECT_EQ(Decrypt(cipher), plain);
    std::string s(plain.begin(), plain.end());
    EXPECT_EQ(Cipher.EncryptString(s), std::string(cipher.begin(), cipher.end()));
    EXPECT_EQ(Cipher.DecryptString(Cipher.EncryptString(s)), s);
  }
}

TEST_F(CipherStreams, StreamsWorkFromTheirPositions) {
  TBytes plain = Pattern(20);
  TMemoryStream src(TBytes(5, 0xEE)), dst(TBytes{1, 2, 3});
  src.Seek(5);
  src.Write(plain.data(), plain.size());
  src.Seek(5);
  dst.Seek(3);
  Cipher.EncryptStream(src, dst);
  ASSERT_EQ(dst.Size(), 3 + 24);
  EXPECT_EQ(TBytes(dst.Bytes().begin(), dst.Bytes().begin() + 3), (TBytes{1, 2, 3}));

  // Deciphering from position 16 reads only what follows.
  TBytes cipher = Encrypt(plain);
  TBytes withHeader = Pattern(16, 99);
  withHeader.insert(withHeader.end(), cipher.begin(), cipher.end());
  TMemoryStream in(withHeader), out;
  in.Seek(16);
  Cipher.DecryptStream(in, out);
  EXPECT_EQ(out.Bytes(), plain);
}

TEST_F(CipherStreams, DecryptRefusesRaggedOrEmptyCiphertextBeforeWriting) {
  for (size_t n : {0, 12, 4097}) {
    SCOPED_TRACE(n);
    TMemoryStream src(Pattern(n)), dst(TBytes{7});
    try {
      Cipher.DecryptStream(src, dst);
      ADD_FAILURE() << "accepted";
    } catch (const TError& e) {
      EXPECT_STREQ(e.what(), "Ciphertext length is not a multiple of 8.");
    }
    EXPECT_EQ(dst.Bytes(), TBytes{7});
  }
  // A source positioned at its end has nothing to decipher.
  TMemoryStream src(Encrypt(Pattern(8))), dst;
  src.Seek(16);
  EXPECT_THROW(Cipher.DecryptStream(src, dst), TError);
}

// Only the last byte of the final piece counts as padding; earlier pieces are written whole
// whatever their last byte holds, and the count is used as found.
TEST_F(CipherStreams, DecryptDropsPaddingOfTheFinalPieceOnly) {
  struct {
    size_t Length;
    uint8_t LastByte;
    size_t Out;
  } cases[] = {
      {4104, 3, 4096 + 5},  // whole first piece, then the 8-byte final piece less 3
      {4096, 100, 3996},    // one piece less its padding
      {8192, 8, 8184},      // two whole pieces: the second is the final one
      {4104, 0, 4104},      // a count of 0 keeps the whole final piece
      {4104, 9, 4096},      // a count beyond the final piece keeps none of it
      {16, 200, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Length << "/" << int(c.LastByte));
    TBytes plain(c.Length, 0xF0);  // every block's last byte would be a huge count
    plain.back() = c.LastByte;
    TBytes out = Decrypt(EncryptBlocks(plain));
    ASSERT_EQ(out.size(), c.Out);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), plain.begin()));
  }
}

TEST_F(CipherStreams, StringForms) {
  // An empty string becomes one block of eight padding bytes.
  std::string empty = Cipher.EncryptString("");
  ASSERT_EQ(empty.size(), 8u);
  EXPECT_EQ(DecryptBlocks(TBytes(empty.begin(), empty.end())), TBytes(8, 8));

  for (size_t n = 0; n <= 17; ++n) {
    std::string s(n, 'x');
    for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + i);
    EXPECT_EQ(Cipher.EncryptString(s).size(), (n / 8 + 1) * 8);
    EXPECT_EQ(Cipher.DecryptString(Cipher.EncryptString(s)), s) << n;
  }
  for (size_t n : {0, 5, 9}) {
    try {
      Cipher.DecryptString(std::string(n, 'c'));
      ADD_FAILURE() << n << " bytes accepted";
    } catch (const TError& e) {
      EXPECT_STREQ(e.what(), "Ciphertext is not a multiple of 8 bytes.");
    }
  }
  // Counts that EncryptString never makes: 0 keeps the last block, above 8 drops only it.
  TBytes plain(16, 'p');
  plain.back() = 0;
  TBytes cipher = EncryptBlocks(plain);
  EXPECT_EQ(Cipher.DecryptString(std::string(cipher.begin(), cipher.end())).size(), 16u);
  plain.back() = 0xFF;
  cipher = EncryptBlocks(plain);
  EXPECT_EQ(Cipher.DecryptString(std::string(cipher.begin(), cipher.end())), std::string(8, 'p'));
}

}  // namespace
