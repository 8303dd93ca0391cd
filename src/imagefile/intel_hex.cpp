#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "imagefile/file_errors.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_file.h"
#include "imagefile/safe_file_writer.h"

namespace {

// The bytes the Intel HEX load pre-fills and the save covers: the 16-bit count up to 64 KiB,
// the whole Size above (those chips are saved with extended linear address records).
int32_t HexSpan(int32_t size) {
  return size > 0x10000 ? std::min(size, kMemoryBufferSize) : SixteenBitCount(size);
}

// One load: the pre-fill, then lines fed to the record reader until it stops.
struct THexLoadRun {
  explicit THexLoadRun(const TChip& chip) {
    std::memset(MemoryBuffer, kBlankValue, static_cast<size_t>(HexSpan(chip.Size)));
  }
  auto OnLine() {
    return [this](std::string_view line) {
      Last = Reader.Line(line);
      return Last == THexRecordReader::TStep::More;
    };
  }
  THexLoad Result() const {
    return Last == THexRecordReader::TStep::WrongChecksum ? THexLoad::WrongChecksum : THexLoad::Complete;
  }

  THexRecordReader Reader{MemoryBuffer};
  THexRecordReader::TStep Last = THexRecordReader::TStep::More;
  THexLineSplitter Splitter;
};

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

const char kHexDigits[] = "0123456789ABCDEF";

inline char* PutByte(char* p, uint32_t b) {
  p[0] = kHexDigits[b >> 4];
  p[1] = kHexDigits[b & 0xF];
  return p + 2;
}

}  // namespace

THexLoad LoadHexText(std::string_view text, const TChip& chip) {
  THexLoadRun run(chip);
  if (run.Splitter.Feed(text.data(), text.size(), run.OnLine())) run.Splitter.Finish(run.OnLine());
  return run.Result();
}

THexLoad LoadHexFile(const std::string& fileName, const TChip& chip) {
  errno = 0;
  std::unique_ptr<std::FILE, TFileCloser> file(std::fopen(fileName.c_str(), "rb"));
  if (!file) throw TError(PlatformFileError(errno ? errno : EIO));
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) throw TError(PlatformFileError(EISDIR));

  THexLoadRun run(chip);
  constexpr size_t kChunk = size_t{256} * 1024;
  std::unique_ptr<char[]> chunk(new char[kChunk]);
  for (;;) {
    errno = 0;
    size_t got = std::fread(chunk.get(), 1, kChunk, file.get());
    if (got == 0) {
      if (std::ferror(file.get())) throw TError(PlatformFileError(errno ? errno : EIO));
      run.Splitter.Finish(run.OnLine());
      break;
    }
    if (!run.Splitter.Feed(chunk.get(), got, run.OnLine())) break;
  }
  return run.Result();
}

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
  if (failure) throw TError(failure.Error == ENOENT ? std::string("Path not found") : PlatformFileError(failure.Error));
}
