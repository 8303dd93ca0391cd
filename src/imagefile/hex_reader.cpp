#include "imagefile/hex_reader.h"

#include <array>

#include "common/error.h"
#include "common/integer.h"
#include "imagefile/hex_digits.h"
#include "imagefile/image_error.h"
#include "imagefile/image_reading.h"

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

bool THexRecordReader::Line(std::string_view text) {
  ++LineNumber_;
  const std::string_view line = TrimImageLine(text);
  if (line.empty()) return true;
  if (line[0] != ':') throw TImageError::Whole({"ImgNotIntelHex", {Name, std::to_string(LineNumber_)}});
  const uint32_t n = ByteField(line, 2);
  const uint32_t high = ByteField(line, 4);
  const uint32_t low = ByteField(line, 6);
  const uint32_t a = high << 8 | low;
  // The end-of-file record ends the file; its checksum is not tested.
  if (line.size() >= 9 && line[7] == '0' && line[8] == '1') {
    Ended_ = true;
    return false;
  }
  const uint32_t type = ByteField(line, 8);
  uint32_t sum = n + high + low + type;
  // In 64 bits: a linear base near 4 GiB must not wrap round to a small address.
  const bool straight = Mode_ == TMode::Linear || a + n <= 0x10000;
  // The common data record goes straight into the image (a failed load leaves it anyway).
  uint8_t local[256];
  uint8_t* direct = type == 0 && straight ? Sink_.Direct(uint64_t{Base_} + a, n) : nullptr;
  uint8_t* data = direct ? direct : local;
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t b = ByteField(line, 10 + 2 * i);
    sum += b;
    data[i] = static_cast<uint8_t>(b);
  }
  sum += ByteField(line, 10 + 2 * n);
  if (sum & 0xFF) throw TImageError({"ImgBadChecksum", {}});
  // Blanks after the checksum are trimmed off; anything else would be lost without a word, such
  // as a record glued onto this one.
  if (line.size() > 11 + 2 * size_t{n}) {
    if (line[11 + 2 * size_t{n}] == ':')
      throw TImageError::Whole({"HexSecondRecord", {Name, std::to_string(LineNumber_)}});
    throw TImageError({"ImgTrailing", {}});
  }

  switch (type) {
    case 0: {
      if (direct) return true;
      if (straight) {
        Sink_.Put(uint64_t{Base_} + a, data, n);
      } else {
        // 16-bit and segment addresses wrap round within their 64 KiB.
        const uint32_t first = 0x10000 - a;
        Sink_.Put(uint64_t{Base_} + a, data, first);
        Sink_.Put(Base_, data + first, n - first);
      }
      return true;
    }
    case 1: Ended_ = true; return false;
    case 2:    // extended segment address
    case 4: {  // extended linear address
      if (n != 2) throw TImageError({"HexExtendedAddress", {}});
      const uint32_t value = uint32_t{data[0]} << 8 | data[1];
      Mode_ = type == 2 ? TMode::Segment : TMode::Linear;
      Base_ = type == 2 ? value << 4 : value << 16;
      return true;
    }
    case 3:  // start segment address
    case 5:  // start linear address: checked, nothing to store
      return true;
    default: throw TImageError({"HexUnknownRecord", {IntToHex(type, 2)}});
  }
}

bool IsHexRecord(std::string_view text) {
  const std::string_view line = TrimImageLine(text);
  if (line.size() < 11 || line[0] != ':' || line.size() % 2 == 0) return false;
  uint32_t sum = 0;
  for (size_t i = 1; i < line.size(); i += 2) {
    const int hi = kDigit[static_cast<unsigned char>(line[i])];
    const int lo = kDigit[static_cast<unsigned char>(line[i + 1])];
    if ((hi | lo) < 0) return false;
    sum += static_cast<uint32_t>(hi << 4 | lo);
  }
  const size_t n = static_cast<size_t>(kDigit[static_cast<unsigned char>(line[1])] << 4 |
                                       kDigit[static_cast<unsigned char>(line[2])]);
  const int type = kDigit[static_cast<unsigned char>(line[7])] << 4 | kDigit[static_cast<unsigned char>(line[8])];
  return line.size() == 11 + 2 * n && type <= 5 && (sum & 0xFF) == 0;
}
