// Finding the bytes in which two images differ: the first few listed, all of them counted and
// gathered into address ranges (for marking them in a view).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "common/user_interface.h"

struct TByteDifference {
  uint32_t Address;
  uint8_t Left;   // the first image's byte (the chip, the buffer)
  uint8_t Right;  // the second image's byte (the expected one, the file)
};

// A run of addresses [Start, End).
struct TAddressRange {
  uint32_t Start;
  uint32_t End;
};

struct TDifferences {
  size_t Count = 0;                     // every differing byte
  std::vector<TByteDifference> Listed;  // the first ones, up to the limit asked for
  std::vector<TAddressRange> Ranges;    // every differing byte, runs merged, in address order
  bool Same() const { return Count == 0; }
};

// Compares the first min(left.size(), right.size()) bytes; lists up to listLimit differences.
// Equal stretches are skipped a block at a time, so equal images cost about one memcmp.
TDifferences FindDifferences(std::span<const uint8_t> left, std::span<const uint8_t> right,
                             size_t listLimit = SIZE_MAX);

// Copies expected's bytes over read's within the ignored ranges (as far as both reach), so that a
// comparison of the two finds no difference there: bytes that differ from chip to chip (a serial
// number, a calibration value) are left out of a verify.
void KeepIgnoredEqual(std::span<uint8_t> read, std::span<const uint8_t> expected,
                      std::span<const TAddressRange> ignored);

// "First difference at 0x001F: chip 3A, expected 5C; 12 bytes differ." from the message of key
// (arguments: address, left byte, right byte, the count phrase) in the active language.
std::string DifferenceText(const TDifferences& differences, const std::string& key, TUserInterface& ui);

// One listed difference as a line: "0x001F: 3A 5C".
std::string DifferenceLine(const TByteDifference& difference);
