// Serial numbers stamped into an image before each write: the field's place and form, the bytes
// of one number, and the stamp itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

enum class TSerialFormat {
  LittleEndian,  // "le": WIDTH bytes, least significant first
  BigEndian,     // "be": WIDTH bytes, most significant first
  Ascii,         // "ascii": WIDTH decimal digits, zero-padded
  Bcd,           // "bcd": WIDTH bytes of two decimal digits each, most significant first
};

struct TSerialSpec {
  uint32_t Address = 0;  // first byte of the field in the chip
  uint64_t Start = 0;    // the first number
  uint64_t Step = 1;     // added for every following chip
  uint32_t Width = 4;    // bytes of the field
  TSerialFormat Format = TSerialFormat::LittleEndian;
};

// Reads "ADDR:START[:STEP[:WIDTH[:FORMAT]]]": numbers in decimal or hexadecimal after "0x";
// STEP at least 1; WIDTH 1 to 8 for le and be, 1 to 10 for bcd, 1 to 20 for ascii. False with
// a one-line reason in error when it does not read.
bool ParseSerialSpec(const std::string& text, TSerialSpec& layout, std::string& error);

// The format's name as the option writes it: "le", "be", "ascii", "bcd".
const char* SerialFormatName(TSerialFormat format);

// The largest number the field holds.
uint64_t SerialLimit(const TSerialSpec& layout);

// The field's bytes for value; false when value does not fit in the field.
bool SerialBytes(const TSerialSpec& layout, uint64_t value, std::vector<uint8_t>& bytes);

// The field lies within a chip of chipSize bytes.
bool SerialFieldFits(const TSerialSpec& layout, int64_t chipSize);

// Puts value's bytes into image at the field's address. False, with image unchanged, when the
// field runs past image or value does not fit.
bool StampSerial(const TSerialSpec& layout, uint64_t value, std::span<uint8_t> image);
