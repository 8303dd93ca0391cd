// Motorola S-records: the reader and the writer of the chip's part of MemoryBuffer.
#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "imagefile/file_errors.h"
#include "imagefile/hex_digits.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file.h"
#include "imagefile/safe_file_writer.h"
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

TSRecordReader::TStep TSRecordReader::Line(std::string_view line) {
  ++LineNumber_;
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t')) line.remove_suffix(1);
  if (line.empty()) return TStep::More;
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
  const size_t data = 4 + 2 * size_t{addressBytes};
  const uint32_t n = count - addressBytes - 1;
  if (type >= 1 && type <= 3 && n > 0) {
    Lowest_ = std::min(Lowest_, address);
    if (Buffer_) {
      // The whole record lies inside once its first and last bytes do.
      uint8_t* to = Buffer_ + ImageIndex(address, Offset_);
      ImageIndex(address + n - 1, Offset_);
      const char* p = line.data() + data;
      for (uint32_t i = 0; i < n; ++i, p += 2) {
        const int hi = kDigit[static_cast<unsigned char>(p[0])];
        const int lo = kDigit[static_cast<unsigned char>(p[1])];
        if ((hi | lo) < 0) [[unlikely]]
          NotHex(line, data + 2 * size_t{i});
        const uint32_t b = static_cast<uint32_t>(hi << 4 | lo);
        sum += b;
        to[i] = static_cast<uint8_t>(b);
      }
    } else {
      for (uint32_t i = 0; i < n; ++i) sum += ByteAt(line, data + 2 * size_t{i});
    }
  } else {
    for (uint32_t i = 0; i < n; ++i) sum += ByteAt(line, data + 2 * size_t{i});
  }
  sum += ByteAt(line, length - 2);
  if ((sum & 0xFF) != 0xFF) throw TImageError({"ImgBadChecksum", {}});

  switch (type) {
    case 1:
    case 2:
    case 3: ++DataRecords_; break;
    case 5:
    case 6: {
      const uint32_t mask = type == 5 ? 0xFFFFu : 0xFFFFFFu;
      if (address != (DataRecords_ & mask))
        throw TImageError({"ImgRecordCount", {std::to_string(address), std::to_string(DataRecords_)}});
      break;
    }
    case 7:
    case 8:
    case 9: return TStep::End;
    default: break;
  }
  return TStep::More;
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

// Produces the S-record text of the chip's part of MemoryBuffer in pieces, each handed to
// put(const char*, size_t): an S0 header naming the chip, S1 records (S2 above 64 KiB) of 32
// bytes, the S5 (S6) record count, and S9 (S8).
template <class Put>
void EmitSRec(const TChip& chip, Put&& put) {
  const uint32_t bytes = static_cast<uint32_t>(std::clamp(chip.Size, 0, kMemoryBufferSize));
  const bool wide = bytes > 0x10000;
  const int addressBytes = wide ? 3 : 2;
  constexpr size_t kBlock = size_t{64} * 1024;
  std::unique_ptr<char[]> block(new char[kBlock]);
  char* p = block.get();
  auto room = [&] {
    if (p + kLongestLine > block.get() + kBlock) {
      put(block.get(), static_cast<size_t>(p - block.get()));
      p = block.get();
    }
  };
  const std::string name = chip.Name.substr(0, 64);
  p = PutRecord(p, 0, 0, 2, reinterpret_cast<const uint8_t*>(name.data()), static_cast<uint32_t>(name.size()));
  uint32_t records = 0;
  for (uint32_t a = 0; a < bytes; a += kRecordData, ++records) {
    room();
    p = PutRecord(p, wide ? 2 : 1, a, addressBytes, MemoryBuffer + a, std::min(kRecordData, bytes - a));
  }
  room();
  p = records <= 0xFFFF ? PutRecord(p, 5, records, 2, nullptr, 0) : PutRecord(p, 6, records, 3, nullptr, 0);
  p = wide ? PutRecord(p, 8, 0, 3, nullptr, 0) : PutRecord(p, 9, 0, 2, nullptr, 0);
  put(block.get(), static_cast<size_t>(p - block.get()));
}

}  // namespace

std::string SRecText(const TChip& chip) {
  std::string text;
  EmitSRec(chip, [&](const char* data, size_t size) { text.append(data, size); });
  return text;
}

void SaveSRecFile(const std::string& fileName, const TChip& chip) {
  TSafeFileWriter writer(fileName);
  TFileFailure failure = writer.Open();
  if (!failure)
    EmitSRec(chip, [&](const char* data, size_t size) {
      if (!failure) failure = writer.Write(data, size);
    });
  if (!failure) failure = writer.Commit();
  if (failure) throw failure.Error == ENOENT ? TError(TMessageKey{"PathNotFound"}) : PlatformFileFailure(failure.Error);
}
