// Well-formed Motorola S-records for the image-file tests.
#pragma once

#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>

// One record of type (0-9) with a correct count and checksum, upper-case digits, LF line end.
inline std::string SRec(int type, uint32_t address, std::initializer_list<uint8_t> data) {
  static const int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};
  const int bytes = kAddressBytes[type];
  char field[16];
  uint32_t count = static_cast<uint32_t>(bytes + data.size() + 1);
  uint32_t sum = count;
  std::string line = "S" + std::to_string(type);
  std::snprintf(field, sizeof field, "%02X", count);
  line += field;
  for (int i = bytes - 1; i >= 0; --i) {
    const uint32_t b = address >> (8 * i) & 0xFF;
    sum += b;
    std::snprintf(field, sizeof field, "%02X", b);
    line += field;
  }
  for (uint8_t b : data) {
    sum += b;
    std::snprintf(field, sizeof field, "%02X", b);
    line += field;
  }
  std::snprintf(field, sizeof field, "%02X", ~sum & 0xFF);
  return line + field + "\n";
}
