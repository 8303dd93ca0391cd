#include "crypto/block_ciphers.h"

#include <algorithm>
#include <vector>

#include "common/error.h"

namespace {

// Reads until the buffer is full or the source has no more bytes.
size_t Fill(TStream& source, uint8_t* buffer, size_t count) {
  size_t done = 0;
  while (done < count) {
    size_t n = source.Read(buffer + done, count - done);
    if (n == 0) break;
    done += n;
  }
  return done;
}

}  // namespace

TBlockCipher::TBlockCipher(int32_t keyLength, int32_t minKeySize) {
  if (minKeySize > keyLength)
    throw TError(FormatText("Key must be at least %d bytes long.", {std::to_string(minKeySize)}));
}

int32_t TBlockCipher::EncryptedSize(int32_t plainLength) const {
  const int64_t b = BlockSize();
  return static_cast<int32_t>((plainLength / b + 1) * b);
}

void TBlockCipher::EncryptBlocks(uint8_t* data, size_t count) const {
  const size_t b = static_cast<size_t>(BlockSize());
  for (size_t i = 0; i < count; ++i) EncryptBlock(data + i * b);
}

void TBlockCipher::DecryptBlocks(uint8_t* data, size_t count) const {
  const size_t b = static_cast<size_t>(BlockSize());
  for (size_t i = 0; i < count; ++i) DecryptBlock(data + i * b);
}

void TBlockCipher::EncryptStream(TStream& source, TStream& dest) const {
  const size_t b = static_cast<size_t>(BlockSize());
  const size_t piece = kStreamBlocks * b;
  std::vector<uint8_t> buffer(piece);
  for (;;) {
    size_t n = Fill(source, buffer.data(), piece);
    if (n == piece) {
      EncryptBlocks(buffer.data(), kStreamBlocks);
      dest.Write(buffer.data(), piece);
      continue;
    }
    // The final block: the remaining bytes, then padding bytes that all hold the padding count.
    size_t whole = n / b, rest = n % b;
    uint8_t* last = buffer.data() + whole * b;
    std::fill(last + rest, last + b, static_cast<uint8_t>(b - rest));
    EncryptBlocks(buffer.data(), whole + 1);
    dest.Write(buffer.data(), n + (b - rest));
    return;
  }
}

void TBlockCipher::DecryptStream(TStream& source, TStream& dest) const {
  const int64_t b = BlockSize();
  const int64_t piece = kStreamBlocks * b;
  const int64_t length = source.Size() - source.Position();
  if (length <= 0 || length % b != 0)
    throw TError(FormatText("Ciphertext length is not a multiple of %d.", {std::to_string(b)}));
  // Whole pieces first; the final piece is the last 1 to kStreamBlocks blocks.
  const int64_t finalLength = length % piece == 0 ? piece : length % piece;
  std::vector<uint8_t> buffer(static_cast<size_t>(piece));
  for (int64_t done = 0; done < length - finalLength; done += piece) {
    source.ReadBuffer(buffer.data(), static_cast<size_t>(piece));
    DecryptBlocks(buffer.data(), kStreamBlocks);
    dest.Write(buffer.data(), static_cast<size_t>(piece));
  }
  source.ReadBuffer(buffer.data(), static_cast<size_t>(finalLength));
  DecryptBlocks(buffer.data(), static_cast<size_t>(finalLength / b));
  // The padding count is used as found: 0 keeps the whole piece, a count beyond it keeps nothing.
  const int64_t padding = buffer[static_cast<size_t>(finalLength - 1)];
  if (padding < finalLength) dest.Write(buffer.data(), static_cast<size_t>(finalLength - padding));
}

std::string T64BitBlockCipher::EncryptString(const std::string& plain) const {
  const size_t rest = plain.size() % kBlockSize;
  std::string out = plain;
  out.append(kBlockSize - rest, static_cast<char>(kBlockSize - rest));
  EncryptBlocks(reinterpret_cast<uint8_t*>(out.data()), out.size() / kBlockSize);
  return out;
}

std::string T64BitBlockCipher::DecryptString(const std::string& cipher) const {
  if (cipher.empty() || cipher.size() % kBlockSize != 0)
    throw TError(FormatText("Ciphertext is not a multiple of %d bytes.", {std::to_string(kBlockSize)}));
  std::string out = cipher;
  DecryptBlocks(reinterpret_cast<uint8_t*>(out.data()), out.size() / kBlockSize);
  size_t padding = static_cast<uint8_t>(out.back());
  out.resize(out.size() - std::min<size_t>(padding, kBlockSize));
  return out;
}
