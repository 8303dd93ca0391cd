#include "production/serial_number.h"

#include <algorithm>
#include <charconv>

namespace {

// Decimal, or hexadecimal after "0x"; the whole text.
bool ReadNumber(const std::string& text, uint64_t& value) {
  std::string_view t = text;
  int base = 10;
  if (t.size() > 2 && t[0] == '0' && (t[1] == 'x' || t[1] == 'X')) {
    t.remove_prefix(2);
    base = 16;
  }
  if (t.empty()) return false;
  auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value, base);
  return ec == std::errc() && end == t.data() + t.size();
}

uint32_t MaxWidth(TSerialFormat f) {
  switch (f) {
    case TSerialFormat::LittleEndian:
    case TSerialFormat::BigEndian: return 8;
    case TSerialFormat::Bcd: return 10;
    case TSerialFormat::Ascii: return 20;
  }
  return 0;
}

}  // namespace

const char* SerialFormatName(TSerialFormat format) {
  switch (format) {
    case TSerialFormat::LittleEndian: return "le";
    case TSerialFormat::BigEndian: return "be";
    case TSerialFormat::Ascii: return "ascii";
    case TSerialFormat::Bcd: return "bcd";
  }
  return "";
}

bool ParseSerialSpec(const std::string& text, TSerialSpec& layout, std::string& error) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    size_t colon = text.find(':', start);
    parts.push_back(text.substr(start, colon == std::string::npos ? std::string::npos : colon - start));
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  if (parts.size() < 2 || parts.size() > 5) {
    error = "--serial takes ADDR:START[:STEP[:WIDTH[:FORMAT]]], not '" + text + "'";
    return false;
  }
  TSerialSpec s;
  uint64_t n = 0;
  const char* names[] = {"ADDR", "START", "STEP", "WIDTH"};
  for (size_t i = 0; i < std::min<size_t>(parts.size(), 4); ++i) {
    if (!ReadNumber(parts[i], n)) {
      error = std::string("--serial: ") + names[i] + " '" + parts[i] + "' is not a number";
      return false;
    }
    if (i == 0) {
      if (n > UINT32_MAX) {
        error = "--serial: ADDR " + parts[i] + " is too large";
        return false;
      }
      s.Address = static_cast<uint32_t>(n);
    } else if (i == 1) {
      s.Start = n;
    } else if (i == 2) {
      if (n == 0) {
        error = "--serial: STEP must be at least 1";
        return false;
      }
      s.Step = n;
    } else {
      s.Width = n > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(n);
    }
  }
  if (parts.size() == 5) {
    const std::string& f = parts[4];
    if (f == "le")
      s.Format = TSerialFormat::LittleEndian;
    else if (f == "be")
      s.Format = TSerialFormat::BigEndian;
    else if (f == "ascii")
      s.Format = TSerialFormat::Ascii;
    else if (f == "bcd")
      s.Format = TSerialFormat::Bcd;
    else {
      error = "--serial: FORMAT must be le, be, ascii or bcd, not '" + f + "'";
      return false;
    }
  }
  if (s.Width < 1 || s.Width > MaxWidth(s.Format)) {
    error = "--serial: WIDTH of " + std::string(SerialFormatName(s.Format)) + " must be 1 to " +
            std::to_string(MaxWidth(s.Format)) + ", not " + parts[3];
    return false;
  }
  layout = s;
  return true;
}

uint64_t SerialLimit(const TSerialSpec& layout) {
  switch (layout.Format) {
    case TSerialFormat::LittleEndian:
    case TSerialFormat::BigEndian: return layout.Width >= 8 ? UINT64_MAX : (uint64_t{1} << (8 * layout.Width)) - 1;
    case TSerialFormat::Ascii:
    case TSerialFormat::Bcd: {
      const uint32_t digits = layout.Format == TSerialFormat::Ascii ? layout.Width : 2 * layout.Width;
      if (digits >= 20) return UINT64_MAX;  // every 64-bit number has at most 20 digits
      uint64_t limit = 1;
      for (uint32_t i = 0; i < digits; ++i) limit *= 10;
      return limit - 1;
    }
  }
  return 0;
}

bool SerialBytes(const TSerialSpec& layout, uint64_t value, std::vector<uint8_t>& bytes) {
  if (value > SerialLimit(layout)) return false;
  const size_t w = layout.Width;
  bytes.assign(w, 0);
  switch (layout.Format) {
    case TSerialFormat::LittleEndian:
      for (size_t i = 0; i < w; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
      break;
    case TSerialFormat::BigEndian:
      for (size_t i = 0; i < w; ++i) bytes[w - 1 - i] = static_cast<uint8_t>(value >> (8 * i));
      break;
    case TSerialFormat::Ascii:
      for (size_t i = w; i-- > 0; value /= 10) bytes[i] = static_cast<uint8_t>('0' + value % 10);
      break;
    case TSerialFormat::Bcd:
      for (size_t i = w; i-- > 0;) {
        const uint8_t low = static_cast<uint8_t>(value % 10);
        value /= 10;
        const uint8_t high = static_cast<uint8_t>(value % 10);
        value /= 10;
        bytes[i] = static_cast<uint8_t>(high << 4 | low);
      }
      break;
  }
  return true;
}

bool SerialFieldFits(const TSerialSpec& layout, int64_t chipSize) {
  return chipSize > 0 && static_cast<int64_t>(layout.Address) + layout.Width <= chipSize;
}

bool StampSerial(const TSerialSpec& layout, uint64_t value, std::span<uint8_t> image) {
  if (static_cast<uint64_t>(layout.Address) + layout.Width > image.size()) return false;
  std::vector<uint8_t> bytes;
  if (!SerialBytes(layout, value, bytes)) return false;
  std::copy(bytes.begin(), bytes.end(), image.begin() + layout.Address);
  return true;
}
