// The program's 1 MiB image of the chip, its blanking and its 16-bit byte-sum checksum.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

inline constexpr int32_t kMemoryBufferSize = 0x100000;
inline constexpr uint8_t kBlankValue = 0xFF;

// One program-wide array, 0x00 at process start, never moved or resized.
extern uint8_t MemoryBuffer[kMemoryBufferSize];
// The result of the last CalcChecksum.
extern uint16_t Checksum;

// The count held in 16 bits that start-up, the Intel HEX load and the checksum cover:
// the low 16 bits of size, or 65536 when those bits are 0.
int32_t SixteenBitCount(int32_t size);

// The byte sum of image's first SixteenBitCount(chipSize) bytes (as far as image reaches).
uint16_t ChecksumOf(std::span<const uint8_t> image, int32_t chipSize);

// Recomputes Checksum over the first SixteenBitCount(chipSize) bytes.
uint16_t CalcChecksum(int32_t chipSize);

// Start-up and Intel HEX blanking: the first SixteenBitCount(chipSize) bytes := 0xFF.
void BlankSixteenBitCount(int32_t chipSize);

// The clear command's work: all of MemoryBuffer := 0xFF.
void ClearMemoryBuffer();
