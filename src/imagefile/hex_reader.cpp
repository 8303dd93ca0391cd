#include "imagefile/hex_reader.h"
#include "imagefile/hex_digits.h"

#include <array>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "common/integer.h"
#include "imagefile/image_error.h"

namespace {

constexpr const std::array<int8_t, 256>& kDigit = kHexDigit;

[[noreturn]] void NotAnInteger(std::string_view field) {
  throw TError(TMessageKey{"NotValidInteger"}, {"$" + std::string(field)});
}

// The field of length characters from 1-based position: read from the characters the line
// holds (a field cut by the line end reads from what is there); none, or a character that
// is not a hexadecimal digit, is a conversion error.
uint32_t Field(std::string_view line, size_t position, size_t length) {
  std::string_view f = position - 1 < line.size() ? line.substr(position - 1, length) : std::string_view();
  if (f.empty()) NotAnInteger(f);
  uint32_t value = 0;
  for (char c : f) {
    int d = kDigit[static_cast<unsigned char>(c)];
    if (d < 0) NotAnInteger(f);
    value = value << 4 | static_cast<uint32_t>(d);
  }
  return value;
}

// A whole two-digit byte at 1-based position, the common case of every data byte.
inline uint32_t ByteField(std::string_view line, size_t position) {
  if (position + 1 <= line.size()) {
    int hi = kDigit[static_cast<unsigned char>(line[position - 1])];
    int lo = kDigit[static_cast<unsigned char>(line[position])];
    if ((hi | lo) >= 0) return static_cast<uint32_t>(hi << 4 | lo);
  }
  return Field(line, position, 2);
}

}  // namespace

THexRecordReader::TStep THexRecordReader::Line(std::string_view line) {
  ++LineNumber_;
  const uint32_t n = ByteField(line, 2);
  const uint32_t high = ByteField(line, 4);
  const uint32_t low = ByteField(line, 6);
  // The address field (characters 4-7) reads whenever its two bytes did; it is used only once
  // the type (characters 8-9) is there, so then it is whole.
  const uint32_t a = high << 8 | low;
  uint32_t sum = n + high + low;
  if (n == 0) return TStep::End;
  if (line.size() >= 9 && line[7] == '0' && line[8] == '1') return TStep::End;
  const uint32_t type = ByteField(line, 8);
  sum += type;

  switch (type) {
    case 0:
    case 1: {  // "1" cut by the line end: no data follow, so the first byte fails
      // In 64 bits: a linear base near 4 GiB must not wrap round to a small address.
      const uint64_t start = uint64_t{Base_} + a;
      const bool wraps = Mode_ != TMode::Linear && a + n > 0x10000;
      if (!wraps) {
        Lowest_ = std::min(Lowest_, start);
        const bool inside = start >= Offset_ && start - Offset_ + n <= static_cast<uint64_t>(kMemoryBufferSize);
        if (!Buffer_ || inside) {
          uint8_t* to = Buffer_ ? Buffer_ + (start - Offset_) : nullptr;
          for (uint32_t i = 0; i < n; ++i) {
            const uint32_t b = ByteField(line, 10 + 2 * i);
            sum += b;
            if (to) to[i] = static_cast<uint8_t>(b);
          }
          break;
        }
      }
      for (uint32_t i = 0; i < n; ++i) {
        const uint32_t b = ByteField(line, 10 + 2 * i);
        sum += b;
        const uint64_t address = Mode_ == TMode::Linear ? start + i : Base_ + ((a + i) & 0xFFFFu);
        Lowest_ = std::min(Lowest_, address);
        if (!Buffer_) continue;
        Buffer_[ImageIndex(address, Offset_)] = static_cast<uint8_t>(b);
      }
      break;
    }
    case 2:    // extended segment address
    case 4: {  // extended linear address
      if (n != 2) throw TError("an extended address record must hold two bytes");
      const uint32_t value = ByteField(line, 10) << 8 | ByteField(line, 12);
      sum += (value >> 8) + (value & 0xFF) + ByteField(line, 14);
      if (sum & 0xFF) return TStep::WrongChecksum;
      Mode_ = type == 2 ? TMode::Segment : TMode::Linear;
      Base_ = type == 2 ? value << 4 : value << 16;
      return TStep::More;
    }
    case 3:    // start segment address
    case 5: {  // start linear address: checked, nothing to store
      for (uint32_t i = 0; i < n; ++i) sum += ByteField(line, 10 + 2 * i);
      break;
    }
    default: throw TError(FormatText("unknown record type 0x%s", {IntToHex(type, 2)}));
  }
  sum += ByteField(line, 10 + 2 * n);
  return (sum & 0xFF) ? TStep::WrongChecksum : TStep::More;
}
