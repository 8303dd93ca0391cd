// Helpers of the image-file tests: chips of a given size, well-formed Intel HEX records, and one
// image of the memory buffer's size that the tests load into and save from.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

#include "buffer/memory_buffer.h"
#include "catalogue/chip.h"
#include "imagefile/image_file.h"

inline TChip ChipOfSize(int32_t size) {
  TChip chip;
  chip.Name = "TEST";
  chip.Size = size;
  return chip;
}

// The image the tests work on.
inline std::vector<uint8_t>& Image() {
  static std::vector<uint8_t> image(kMemoryBufferSize);
  return image;
}

// The text of a save of the chip's bytes of Image().
inline std::string ChipText(TImageFormat format, const TChip& chip) {
  return ImageText(format, Image(), ChipSpan(format, chip));
}

// One record with a correct checksum, upper-case digits, LF line end.
inline std::string Rec(uint32_t address, uint32_t type, std::initializer_list<uint8_t> data) {
  char field[16];
  uint32_t sum = static_cast<uint32_t>(data.size()) + (address >> 8) + (address & 0xFF) + type;
  std::snprintf(field, sizeof field, "%02X%04X%02X", static_cast<unsigned>(data.size()), address, type);
  std::string line = std::string(":") + field;
  for (uint8_t b : data) {
    std::snprintf(field, sizeof field, "%02X", b);
    line += field;
    sum += b;
  }
  std::snprintf(field, sizeof field, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
  return line + field + "\n";
}

inline const std::string kEnd = ":00000001FF\n";
