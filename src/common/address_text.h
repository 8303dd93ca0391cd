// Addresses as every message and panel shows them: "0x" and as many hexadecimal digits as the
// chip's last address needs, so one chip's addresses all have the same width.
#pragma once

#include <cstdint>
#include <string>

// The number of hexadecimal digits of a chip's last address (at least 2; 4 without a chip).
int AddressDigits(int64_t chipSize);
// "0x1F" in a chip of 128 bytes, "0x001F" in one of 8 KiB, "0x0001F" in one of 1 MiB.
std::string AddressText(int64_t address, int64_t chipSize);
