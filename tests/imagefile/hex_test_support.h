// Helpers of the image-file tests: chips of a given size and well-formed Intel HEX records.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

#include "catalogue/chip.h"

inline TChip ChipOfSize(int32_t size) {
  TChip chip;
  chip.Name = "TEST";
  chip.Size = size;
  return chip;
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
