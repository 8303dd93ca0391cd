// The value of each character as a hexadecimal digit, -1 for characters that are not one: the
// table the image readers decode their text with.
#pragma once

#include <array>
#include <cstdint>

namespace hex_digits_detail {
constexpr std::array<int8_t, 256> MakeDigitTable() {
  std::array<int8_t, 256> t{};
  for (auto& v : t) v = -1;
  for (int c = '0'; c <= '9'; ++c) t[c] = static_cast<int8_t>(c - '0');
  for (int c = 'A'; c <= 'F'; ++c) t[c] = static_cast<int8_t>(c - 'A' + 10);
  for (int c = 'a'; c <= 'f'; ++c) t[c] = static_cast<int8_t>(c - 'a' + 10);
  return t;
}
}  // namespace hex_digits_detail

inline constexpr std::array<int8_t, 256> kHexDigit = hex_digits_detail::MakeDigitTable();
