// Block ciphers in electronic-codebook mode: the abstract block cipher with stream operations,
// the 8-byte block cipher with 64-bit value and string operations, and Blowfish.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "crypto/stream.h"

class TBlockCipher {
 public:
  // Blocks per read and write of the stream operations.
  static constexpr int32_t kStreamBlocks = 512;

  virtual ~TBlockCipher() = default;

  // (plainLength div BlockSize + 1) * BlockSize: the output length of EncryptStream.
  virtual int32_t EncryptedSize(int32_t plainLength) const;
  // Enciphers source from its position to its end into dest at dest's position, adding 1 to
  // BlockSize bytes of padding whose last byte is the padding count.
  virtual void EncryptStream(TStream& source, TStream& dest) const;
  // Deciphers source from its position to its end into dest at dest's position and drops the
  // padding. Fails with "Ciphertext length is not a multiple of %d." before writing anything.
  virtual void DecryptStream(TStream& source, TStream& dest) const;
  // One block of BlockSize bytes, in place.
  virtual void EncryptBlock(uint8_t* block) const = 0;
  virtual void DecryptBlock(uint8_t* block) const = 0;
  // Values of the cipher's class; the concrete classes also hold them as constants.
  virtual int32_t MinKeySize() const = 0;
  virtual int32_t MaxKeySize() const { return MinKeySize(); }
  virtual int32_t BlockSize() const = 0;

  // count whole blocks one after another, in place (electronic codebook). The stream and string
  // operations go through these, so a cipher may work on several blocks at once.
  virtual void EncryptBlocks(uint8_t* data, size_t count) const;
  virtual void DecryptBlocks(uint8_t* data, size_t count) const;

 protected:
  // Refuses a key shorter than minKeySize with "Key must be at least %d bytes long.";
  // longer keys than the cipher's maximum are accepted.
  TBlockCipher(int32_t keyLength, int32_t minKeySize);
};

class T64BitBlockCipher : public TBlockCipher {
 public:
  static constexpr int32_t kBlockSize = 8;

  int32_t BlockSize() const override { return kBlockSize; }
  // One block held in a value: its low 32 bits are the block's bytes 0-3, the high 32 bits bytes 4-7.
  virtual uint64_t Encrypt64(uint64_t value) const = 0;
  virtual uint64_t Decrypt64(uint64_t value) const = 0;
  // (length div 8 + 1) * 8 bytes: the input followed by 1 to 8 padding bytes that each hold the count.
  virtual std::string EncryptString(const std::string& plain) const;
  // Fails with "Ciphertext is not a multiple of %d bytes." for an empty or ragged input; drops the
  // padding counted by the last byte (a count above 8 drops the last block only).
  virtual std::string DecryptString(const std::string& cipher) const;

 protected:
  using TBlockCipher::TBlockCipher;
};

class TBlowfishCipher final : public T64BitBlockCipher {
 public:
  static constexpr int32_t kMinKeySize = 8;
  static constexpr int32_t kMaxKeySize = 56;

  // Runs the key schedule on keyLength bytes of key (at least 8; only the first 72 count).
  // The key is read during construction only.
  TBlowfishCipher(const void* key, int32_t keyLength);

  void EncryptBlock(uint8_t* block) const override;
  void DecryptBlock(uint8_t* block) const override;
  int32_t MinKeySize() const override { return kMinKeySize; }
  int32_t MaxKeySize() const override { return kMaxKeySize; }
  uint64_t Encrypt64(uint64_t value) const override;
  uint64_t Decrypt64(uint64_t value) const override;
  void EncryptBlocks(uint8_t* data, size_t count) const override;
  void DecryptBlocks(uint8_t* data, size_t count) const override;

 private:
  // The expanded key.
  uint32_t SBoxes[4][256];
  uint32_t PArray[18];
};
