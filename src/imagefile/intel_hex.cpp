// Intel HEX: the writer of the chip's part of MemoryBuffer.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "imagefile/file_errors.h"
#include "imagefile/image_file.h"
#include "imagefile/safe_file_writer.h"

namespace {

// The bytes the Intel HEX load pre-fills and the save covers: the 16-bit count up to 64 KiB,
// the whole Size above (those chips are saved with extended linear address records).
int32_t HexSpan(int32_t size) { return size > 0x10000 ? std::min(size, kMemoryBufferSize) : SixteenBitCount(size); }

const char kHexDigits[] = "0123456789ABCDEF";

inline char* PutByte(char* p, uint32_t b) {
  p[0] = kHexDigits[b >> 4];
  p[1] = kHexDigits[b & 0xF];
  return p + 2;
}

}  // namespace

namespace {

// Produces the Intel HEX text of the chip's part of MemoryBuffer in pieces of at most 64 KiB,
// each handed to put(const char*, size_t).
template <class Put>
void EmitHex(const TChip& chip, Put&& put) {
  const int32_t span = HexSpan(chip.Size);
  const bool extended = chip.Size > 0x10000;
  const uint32_t records = (static_cast<uint32_t>(span) + 15) / 16;
  constexpr size_t kBlock = size_t{64} * 1024;
  constexpr size_t kLongestLines = 17 + 45;  // an address record and a data record
  std::unique_ptr<char[]> block(new char[kBlock]);
  char* p = block.get();
  for (uint32_t k = 0; k < records; ++k) {
    if (p + kLongestLines > block.get() + kBlock) {
      put(block.get(), static_cast<size_t>(p - block.get()));
      p = block.get();
    }
    const uint32_t a = 16 * k;
    if (extended && (a & 0xFFFF) == 0) {
      const uint32_t upper = a >> 16;
      const char head[] = ":02000004";
      p = std::copy(head, head + 9, p);
      p = PutByte(p, upper >> 8);
      p = PutByte(p, upper & 0xFF);
      p = PutByte(p, (0x100 - ((6 + (upper >> 8) + (upper & 0xFF)) & 0xFF)) & 0xFF);
      *p++ = '\r';
      *p++ = '\n';
    }
    const uint32_t offset = a & 0xFFFF;
    uint32_t sum = 16 + (offset >> 8) + (offset & 0xFF);
    *p++ = ':';
    p = PutByte(p, 0x10);
    p = PutByte(p, offset >> 8);
    p = PutByte(p, offset & 0xFF);
    p = PutByte(p, 0x00);
    for (uint32_t i = 0; i < 16; ++i) {
      const uint32_t b = MemoryBuffer[a + i];
      sum += b;
      p = PutByte(p, b);
    }
    p = PutByte(p, (0x100 - (sum & 0xFF)) & 0xFF);
    *p++ = '\r';
    *p++ = '\n';
  }
  const char eof[] = ":00000001FF\r\n";
  p = std::copy(eof, eof + 13, p);
  put(block.get(), static_cast<size_t>(p - block.get()));
}

}  // namespace

std::string HexText(const TChip& chip) {
  std::string text;
  EmitHex(chip, [&](const char* data, size_t size) { text.append(data, size); });
  return text;
}

void SaveHexFile(const std::string& fileName, const TChip& chip) {
  TSafeFileWriter writer(fileName);
  TFileFailure failure = writer.Open();
  if (!failure)
    EmitHex(chip, [&](const char* data, size_t size) {
      if (!failure) failure = writer.Write(data, size);
    });
  if (!failure) failure = writer.Commit();
  if (failure) throw failure.Error == ENOENT ? TError(TMessageKey{"PathNotFound"}) : PlatformFileFailure(failure.Error);
}
