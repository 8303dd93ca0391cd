#include "common/integer.h"

#include <cctype>

std::optional<int32_t> TryReadInteger(std::string_view text) {
  size_t i = 0;
  // Blanks are the control characters and the space, as the text tools of the platform treat them.
  while (i < text.size() && static_cast<unsigned char>(text[i]) <= ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
    negative = text[i] == '-';
    ++i;
  }
  int base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= text.size()) return std::nullopt;
  uint64_t value = 0;
  for (; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    value = value * base + digit;
    if (value > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 10) {
    if (negative ? value > 0x80000000ull : value > 0x7FFFFFFFull) return std::nullopt;
    return negative ? static_cast<int32_t>(-static_cast<int64_t>(value)) : static_cast<int32_t>(value);
  }
  // Hexadecimal digits may give the full 32-bit pattern ($FFFFFFFF is -1).
  int32_t v = static_cast<int32_t>(static_cast<uint32_t>(value));
  return negative ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v;
}

int32_t ReadIntegerOr(std::string_view text, int32_t fallback) {
  auto v = TryReadInteger(text);
  return v ? *v : fallback;
}

std::string IntToHex(int64_t value, int minDigits) {
  uint64_t v = value < 0 ? static_cast<uint32_t>(static_cast<int32_t>(value)) : static_cast<uint64_t>(value);
  static const char digits[] = "0123456789ABCDEF";
  std::string s;
  do {
    s.insert(s.begin(), digits[v & 0xF]);
    v >>= 4;
  } while (v != 0);
  if (static_cast<int>(s.size()) < minDigits) s.insert(0, minDigits - s.size(), '0');
  return s;
}
