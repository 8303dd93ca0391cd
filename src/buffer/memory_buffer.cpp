#include "buffer/memory_buffer.h"

#include <algorithm>

int32_t SixteenBitCount(int32_t size) {
  int32_t low = static_cast<int32_t>(static_cast<uint32_t>(size) & 0xFFFFu);
  return low == 0 ? 65536 : low;
}

uint16_t ChecksumOf(std::span<const uint8_t> image, int32_t chipSize) {
  const size_t n = std::min(static_cast<size_t>(SixteenBitCount(chipSize)), image.size());
  uint32_t sum = 0;
  for (size_t i = 0; i < n; ++i) sum += image[i];
  return static_cast<uint16_t>(sum);
}
