// The integer reading rule shared by the catalogue, settings, "type" keys and grid edits,
// and the hexadecimal display rule of the status panels and the grid.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Blanks before the number are skipped, one sign is allowed, then decimal digits or
// hexadecimal digits after "$", "x" or "0x"; nothing may follow; the value must fit in
// 32 signed bits. Returns nothing when the text does not read.
std::optional<int32_t> TryReadInteger(std::string_view text);

// The rule with a default for text that does not read.
int32_t ReadIntegerOr(std::string_view text, int32_t fallback);

// Upper-case hexadecimal, zero-padded to at least minDigits and never cut; a negative
// value shows as its 32-bit two's complement (eight digits).
std::string IntToHex(int64_t value, int minDigits);
