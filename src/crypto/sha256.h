// SHA-256: the digest that names an image's bytes exactly in the production log.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

class TSha256 {
 public:
  TSha256();
  void Add(std::span<const uint8_t> bytes);
  // The digest of everything added; the object is spent afterwards.
  std::array<uint8_t, 32> Finish();

 private:
  void Block(const uint8_t* block);

  std::array<uint32_t, 8> State_;
  std::array<uint8_t, 64> Pending_{};
  size_t PendingSize_ = 0;
  uint64_t Length_ = 0;  // bytes added
};

// The digest of bytes as 64 lower-case hexadecimal digits.
std::string Sha256Hex(std::span<const uint8_t> bytes);
