#include "buffer/hex_text.h"

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsAsciiAlnum(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r' || s.front() == '\n'))
    s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
    s.remove_suffix(1);
  return s;
}

}  // namespace

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < text.size()) {
    // Letters of other scripts are no separators: "AB ДЕ" is not two bytes.
    if (static_cast<unsigned char>(text[i]) >= 0x80) return std::nullopt;
    if (!IsAsciiAlnum(text[i])) {
      ++i;
      continue;
    }
    // A "0x" prefix in front of digits belongs to the run that follows.
    if (text[i] == '0' && i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') &&
        HexDigit(text[i + 2]) >= 0)
      i += 2;
    const size_t start = i;
    while (i < text.size() && IsAsciiAlnum(text[i])) {
      if (HexDigit(text[i]) < 0) return std::nullopt;
      ++i;
    }
    if ((i - start) % 2 != 0) return std::nullopt;
    for (size_t k = start; k < i; k += 2)
      bytes.push_back(static_cast<uint8_t>(HexDigit(text[k]) << 4 | HexDigit(text[k + 1])));
  }
  if (bytes.empty()) return std::nullopt;
  return bytes;
}

std::string FormatHexBytes(const uint8_t* data, size_t size) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 3);
  for (size_t i = 0; i < size; ++i) {
    if (i > 0) out += i % 16 == 0 ? '\n' : ' ';
    out += digits[data[i] >> 4];
    out += digits[data[i] & 0x0F];
  }
  return out;
}

TAddressResult ParseAddress(std::string_view text, int64_t limit) {
  text = Trimmed(text);
  int base = 16;
  if (text.starts_with("0x") || text.starts_with("0X"))
    text.remove_prefix(2);
  else if (text.starts_with("$"))
    text.remove_prefix(1);
  else if (text.starts_with("#"))
    text.remove_prefix(1), base = 10;
  if (text.empty() || text.size() > 12) return {};
  int64_t value = 0;
  for (char c : text) {
    const int d = HexDigit(c);
    if (d < 0 || d >= base) return {};
    value = value * base + d;
  }
  return {value < limit ? TAddressRead::Ok : TAddressRead::OutOfRange, value};
}
