#include "common/address_text.h"

#include "common/integer.h"

int AddressDigits(int64_t chipSize) {
  if (chipSize <= 0) return 4;
  int digits = 1;
  for (int64_t last = chipSize - 1; last > 0xF; last >>= 4) ++digits;
  return digits < 2 ? 2 : digits;
}

std::string AddressText(int64_t address, int64_t chipSize) { return "0x" + IntToHex(address, AddressDigits(chipSize)); }
