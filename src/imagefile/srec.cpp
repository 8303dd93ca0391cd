// Motorola S-records: the reader and the writer.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "common/integer.h"
#include "imagefile/hex_digits.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_error.h"
#include "imagefile/image_formats.h"
#include "imagefile/image_reading.h"
#include "imagefile/srec_reader.h"

namespace {

constexpr const std::array<int8_t, 256>& kDigit = kHexDigit;

[[noreturn, gnu::noinline, gnu::cold]] void NotHex(std::string_view line, size_t i) {
  throw TImageError({"ImgNotHex", {std::string(line.substr(i, 2))}});
}

// The byte of the two characters at index i (0-based); the line is long enough.
inline uint32_t ByteAt(std::string_view line, size_t i) {
  const int hi = kDigit[static_cast<unsigned char>(line[i])];
  const int lo = kDigit[static_cast<unsigned char>(line[i + 1])];
  if ((hi | lo) < 0) [[unlikely]]
    NotHex(line, i);
  return static_cast<uint32_t>(hi << 4 | lo);
}

// Address bytes of each record type; 0 for a type that does not exist.
constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

}  // namespace

bool TSRecordReader::Line(std::string_view text) {
  ++LineNumber_;
  const std::string_view line = TrimImageLine(text);
  if (line.empty()) return true;
  if (line[0] != 'S' && line[0] != 's') throw TImageError({"ImgSRecStart", {}});
  if (line.size() < 4) throw TImageError({"ImgShortLine", {}});
  const int type = line[1] - '0';
  if (type < 0 || type > 9 || kAddressBytes[type] == 0)
    throw TImageError({"ImgSRecType", {std::string(line.substr(0, 2))}});
  const uint32_t count = ByteAt(line, 2);
  const uint32_t addressBytes = static_cast<uint32_t>(kAddressBytes[type]);
  if (count < addressBytes + 1)
    throw TImageError({"ImgSRecCount", {IntToHex(count, 2), std::string(line.substr(0, 2))}});
  const size_t length = 4 + 2 * size_t{count};
  if (line.size() < length) throw TImageError({"ImgShortLine", {}});
  if (line.size() > length) throw TImageError({"ImgTrailing", {}});

  uint32_t sum = count;
  uint64_t address = 0;
  for (uint32_t i = 0; i < addressBytes; ++i) {
    const uint32_t b = ByteAt(line, 4 + 2 * i);
    sum += b;
    address = address << 8 | b;
  }
  const size_t at = 4 + 2 * size_t{addressBytes};
  const uint32_t n = count - addressBytes - 1;
  uint8_t data[256];
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t b = ByteAt(line, at + 2 * size_t{i});
    sum += b;
    data[i] = static_cast<uint8_t>(b);
  }
  sum += ByteAt(line, length - 2);
  if ((sum & 0xFF) != 0xFF) throw TImageError({"ImgBadChecksum", {}});

  if (type == 0 || type == 5 || type == 6) Framed_ = true;
  switch (type) {
    case 1:
    case 2:
    case 3:
      ++DataRecords_;
      Counted_ = false;
      Sink_.Put(address, data, n);
      break;
    case 5:
    case 6: {
      const uint32_t mask = type == 5 ? 0xFFFFu : 0xFFFFFFu;
      if (address != (DataRecords_ & mask))
        throw TImageError({"ImgRecordCount", {std::to_string(address), std::to_string(DataRecords_)}});
      Counted_ = true;
      break;
    }
    case 7:
    case 8:
    case 9: Ended_ = true; return false;
    default: break;
  }
  return true;
}

bool IsSRecord(std::string_view text) {
  const std::string_view line = TrimImageLine(text);
  if (line.size() < 10 || (line[0] != 'S' && line[0] != 's') || line.size() % 2 != 0) return false;
  const int type = line[1] - '0';
  if (type < 0 || type > 9 || kAddressBytes[type] == 0) return false;
  uint32_t sum = 0;
  for (size_t i = 2; i < line.size(); i += 2) {
    const int hi = kDigit[static_cast<unsigned char>(line[i])];
    const int lo = kDigit[static_cast<unsigned char>(line[i + 1])];
    if ((hi | lo) < 0) return false;
    sum += static_cast<uint32_t>(hi << 4 | lo);
  }
  const size_t count = static_cast<size_t>(kDigit[static_cast<unsigned char>(line[2])] << 4 |
                                           kDigit[static_cast<unsigned char>(line[3])]);
  return line.size() == 4 + 2 * count && count >= static_cast<size_t>(kAddressBytes[type]) + 1 && (sum & 0xFF) == 0xFF;
}

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

inline char* PutByte(char* p, uint32_t b, uint32_t& sum) {
  sum += b;
  p[0] = kHexDigits[b >> 4 & 0xF];
  p[1] = kHexDigits[b & 0xF];
  return p + 2;
}

// One record: type, address of addressBytes bytes, data; the count and the checksum around them.
char* PutRecord(char* p, int type, uint32_t address, int addressBytes, const uint8_t* data, uint32_t n) {
  uint32_t sum = 0;
  *p++ = 'S';
  *p++ = static_cast<char>('0' + type);
  p = PutByte(p, static_cast<uint32_t>(addressBytes) + n + 1, sum);
  for (int i = addressBytes - 1; i >= 0; --i) p = PutByte(p, address >> (8 * i) & 0xFF, sum);
  for (uint32_t i = 0; i < n; ++i) p = PutByte(p, data[i], sum);
  uint32_t ignored = 0;
  p = PutByte(p, ~sum & 0xFF, ignored);
  *p++ = '\r';
  *p++ = '\n';
  return p;
}

constexpr uint32_t kRecordData = 32;
constexpr size_t kLongestLine = 4 + 2 * (255 + 1) + 2;

}  // namespace

// An S0 header naming the chip, data records of 32 bytes (S1, S2 or S3 by the highest address
// written), the S5 (S6) record count and the matching end record.
void EmitSRec(std::span<const uint8_t> image, const TImageSpan& span, TImagePut put, void* context) {
  const uint32_t end = std::min<uint32_t>(span.End, static_cast<uint32_t>(image.size()));
  const uint32_t start = std::min(span.Start, end);
  const uint64_t highest = uint64_t{span.Offset} + (end > start ? end - 1 : 0);
  const int dataType = highest <= 0xFFFF ? 1 : highest <= 0xFFFFFF ? 2 : 3;
  const int addressBytes = dataType + 1;
  constexpr size_t kBlock = size_t{64} * 1024;
  std::unique_ptr<char[]> block(new char[kBlock]);
  char* p = block.get();
  auto room = [&] {
    if (p + kLongestLine > block.get() + kBlock) {
      put(context, block.get(), static_cast<size_t>(p - block.get()));
      p = block.get();
    }
  };
  const std::string name = span.Header.substr(0, 64);
  p = PutRecord(p, 0, 0, 2, reinterpret_cast<const uint8_t*>(name.data()), static_cast<uint32_t>(name.size()));
  uint32_t records = 0;
  for (uint32_t a = start; a < end; a += kRecordData, ++records) {
    room();
    p = PutRecord(p, dataType, a + span.Offset, addressBytes, image.data() + a, std::min(kRecordData, end - a));
  }
  room();
  p = records <= 0xFFFF ? PutRecord(p, 5, records, 2, nullptr, 0) : PutRecord(p, 6, records, 3, nullptr, 0);
  p = PutRecord(p, 10 - dataType, 0, addressBytes, nullptr, 0);
  put(context, block.get(), static_cast<size_t>(p - block.get()));
}

void ReadSRec(const TImageSource& source, TImageSink& sink) {
  TSRecordReader reader(sink);
  ReadImageLines(
      source, sink, [](void* r, std::string_view l) { return static_cast<TSRecordReader*>(r)->Line(l); }, &reader);
  // Data records alone load, with a warning: a file cut short after its header or count is refused.
  const bool dataOnly = !reader.Complete() && reader.DataOnly();
  FinishTextImage(source, sink, reader.Complete() || dataOnly, reader.LineNumber());
  if (dataOnly && !sink.Locate) sink.Warn({"ImgSRecDataOnly", {source.Name}});
}
