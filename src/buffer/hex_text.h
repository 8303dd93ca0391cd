// Text forms of bytes and addresses typed by the user: hexadecimal byte lists (paste, find, fill)
// and addresses (go to), and the hexadecimal form of bytes for the clipboard.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Hexadecimal bytes with any separators between them: "DE AD", "de:ad", "0xDE, 0xAD", "DEAD".
// A run of digits gives one byte per two digits. Nothing when the text holds no byte, a run of
// an odd number of digits, a letter that is not a hexadecimal digit, or any non-ASCII character.
std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text);

// The bytes as upper-case digit pairs, one space between them and a line break after every 16.
std::string FormatHexBytes(const uint8_t* data, size_t size);

enum class TAddressRead { Ok, Invalid, OutOfRange };
struct TAddressResult {
  TAddressRead Status = TAddressRead::Invalid;
  int64_t Address = 0;  // the address read, also when out of range
};
// An address below limit: hexadecimal by default or after "0x" or "$", decimal after "#";
// blanks around it are ignored.
TAddressResult ParseAddress(std::string_view text, int64_t limit);
