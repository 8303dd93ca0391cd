// The signs of a wrong read that the bytes of a chip show by themselves: contents that repeat
// within the chip, a chip that reads all FF or all 00, one data bit that never changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "catalogue/chip.h"
#include "common/user_interface.h"

enum class TReadSignKind {
  Repeats,          // the data repeat every Period bytes (a power of two below the size)
  AllFF,            // every byte is FF
  All00,            // every byte is 00
  StuckBit,         // bit Bit is Value in every byte while the other bits vary
  UniformStuckBit,  // every byte reads FF but for bit Bit at 0, or 00 but for bit Bit at 1 (Value)
};

struct TReadSign {
  TReadSignKind Kind;
  size_t Period = 0;  // Repeats
  int Bit = 0;        // StuckBit
  int Value = 0;      // StuckBit

  bool operator==(const TReadSign&) const = default;
};

// The signs that data (a chip's bytes from address 0) shows. Uniform data never counts as
// repeating, nor data whose period is below the smallest chip (128 bytes: patterns and copies
// stored on purpose); a stuck bit needs every other bit to vary, at least 64 bytes that differ
// from the most common value, and data that do not look like text (printable ASCII and NUL).
std::vector<TReadSign> FindReadSigns(std::span<const uint8_t> data);

// The signs of data that expected does not show itself: what a read adds to the bytes it was
// meant to give (a chip written with a repeating image is not warned about).
std::vector<TReadSign> NewReadSigns(std::span<const uint8_t> data, std::span<const uint8_t> expected);

// The smallest power of two P below data's size with data[i] == data[i + P] for every i, or 0.
size_t RepeatPeriod(std::span<const uint8_t> data);

// What the sign probably means, in the active language; chip names the chip selected.
std::string ReadSignText(const TReadSign& sign, const TChip& chip, TUserInterface& ui);
