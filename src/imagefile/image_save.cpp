// The saves of every format: what part of the image a save covers, the Intel HEX and binary
// writers, and the file written through the safe writer.
#include <algorithm>
#include <cerrno>
#include <memory>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "imagefile/file_errors.h"
#include "imagefile/image_file.h"
#include "imagefile/image_formats.h"
#include "imagefile/safe_file_writer.h"

namespace {

const char kHexDigits[] = "0123456789ABCDEF";

inline char* PutByte(char* p, uint32_t b) {
  p[0] = kHexDigits[b >> 4 & 0xF];
  p[1] = kHexDigits[b & 0xF];
  return p + 2;
}

uint32_t ChipBytes(const TChip& chip) { return static_cast<uint32_t>(std::clamp(chip.Size, 0, kMemoryBufferSize)); }

uint32_t RoundUp16(uint32_t n) { return std::min<uint32_t>((n + 15) & ~15u, kMemoryBufferSize); }

}  // namespace

// Records of up to sixteen bytes, each within one sixteen-byte line of the file's addresses;
// extended linear address records where the addresses pass 64 KiB; the end-of-file record.
void EmitHex(std::span<const uint8_t> image, const TImageSpan& span, TImagePut put, void* context) {
  const uint32_t end = std::min<uint32_t>(span.End, static_cast<uint32_t>(image.size()));
  const uint32_t start = std::min(span.Start, end);
  const bool extended = end > start && uint64_t{span.Offset} + end - 1 > 0xFFFF;
  uint32_t upper = extended ? UINT32_MAX : 0;
  constexpr size_t kBlock = size_t{64} * 1024;
  constexpr size_t kLongestLines = 17 + 45;  // an address record and a data record
  std::unique_ptr<char[]> block(new char[kBlock]);
  char* p = block.get();
  for (uint32_t a = start; a < end;) {
    if (p + kLongestLines > block.get() + kBlock) {
      put(context, block.get(), static_cast<size_t>(p - block.get()));
      p = block.get();
    }
    const uint32_t address = a + span.Offset;
    const uint32_t n = std::min(16 - (address & 15), end - a);
    if (address >> 16 != upper) {
      upper = address >> 16;
      const char head[] = ":02000004";
      p = std::copy(head, head + 9, p);
      p = PutByte(p, upper >> 8);
      p = PutByte(p, upper & 0xFF);
      p = PutByte(p, (0x100 - ((6 + (upper >> 8) + (upper & 0xFF)) & 0xFF)) & 0xFF);
      *p++ = '\r';
      *p++ = '\n';
    }
    const uint32_t low = address & 0xFFFF;
    uint32_t sum = n + (low >> 8) + (low & 0xFF);
    *p++ = ':';
    p = PutByte(p, n);
    p = PutByte(p, low >> 8);
    p = PutByte(p, low & 0xFF);
    p = PutByte(p, 0x00);
    for (uint32_t i = 0; i < n; ++i) {
      const uint32_t b = image[a + i];
      sum += b;
      p = PutByte(p, b);
    }
    p = PutByte(p, (0x100 - (sum & 0xFF)) & 0xFF);
    *p++ = '\r';
    *p++ = '\n';
    a += n;
  }
  const char eof[] = ":00000001FF\r\n";
  p = std::copy(eof, eof + 13, p);
  put(context, block.get(), static_cast<size_t>(p - block.get()));
}

void EmitBin(std::span<const uint8_t> image, const TImageSpan& span, TImagePut put, void* context) {
  const size_t end = std::min<size_t>(span.End, image.size());
  put(context, reinterpret_cast<const char*>(image.data()), end);
}

TImageSpan ChipSpan(TImageFormat format, const TChip& chip) {
  TImageSpan span;
  span.Header = chip.Name;
  const uint32_t size = ChipBytes(chip);
  if (format == TImageFormat::Hex)
    span.End = RoundUp16(size > 0x10000 ? size : static_cast<uint32_t>(SixteenBitCount(chip.Size)));
  else
    span.End = size;
  return span;
}

TImageSpan SaveSpan(TImageFormat format, const TChip& chip, uint32_t dataStart, uint32_t dataEnd, uint32_t offset) {
  TImageSpan span = chip.Size > 0 ? ChipSpan(format, chip) : TImageSpan{0, 0, 0, chip.Name};
  if (dataEnd > dataStart) {
    span.Start = span.End > span.Start ? std::min(span.Start, dataStart) : dataStart;
    span.End = std::max(span.End, dataEnd);
  }
  if (ImageFormatInfo(format).HasAddresses)
    span.Offset = offset;
  else
    span.Start = 0;
  return span;
}

std::string ImageText(TImageFormat format, std::span<const uint8_t> image, const TImageSpan& span) {
  std::string text;
  ImageFormatInfo(format).Emit(
      image, span, [](void* c, const char* data, size_t size) { static_cast<std::string*>(c)->append(data, size); },
      &text);
  return text;
}

void WriteImage(const std::string& fileName, TImageFormat format, std::span<const uint8_t> image,
                const TImageSpan& span) {
  struct TState {
    TSafeFileWriter Writer;
    TFileFailure Failure;
  } state{TSafeFileWriter(fileName), {}};
  state.Failure = state.Writer.Open();
  if (!state.Failure)
    ImageFormatInfo(format).Emit(
        image, span,
        [](void* c, const char* data, size_t size) {
          auto* s = static_cast<TState*>(c);
          if (!s->Failure) s->Failure = s->Writer.Write(data, size);
        },
        &state);
  if (!state.Failure) state.Failure = state.Writer.Commit();
  if (state.Failure)
    throw state.Failure.Error == ENOENT ? TError(TMessageKey{"PathNotFound"}, {fileName})
                                        : PlatformFileFailure(state.Failure.Error, fileName);
}
