// The size of the program's image of a chip (1 MiB), its blank value, and the 16-bit byte-sum
// checksum of a chip's bytes as the status bar shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int32_t kMemoryBufferSize = 0x100000;
inline constexpr uint8_t kBlankValue = 0xFF;

// The count held in 16 bits that the checksum covers: the low 16 bits of size, or 65536 when
// those bits are 0.
int32_t SixteenBitCount(int32_t size);

// The byte sum of image's first SixteenBitCount(chipSize) bytes (as far as image reaches).
uint16_t ChecksumOf(std::span<const uint8_t> image, int32_t chipSize);
