// The loads of every format: the file read in pieces, cut into lines for the text formats, errors
// placed at their file and line, and the scratch copy that keeps a failed load from the buffer.
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
#include "imagefile/image_error.h"
#include "imagefile/image_file.h"
#include "imagefile/srec_reader.h"

namespace {

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using TFile = std::unique_ptr<std::FILE, TFileCloser>;

// The bytes the Intel HEX load pre-fills: the 16-bit count up to 64 KiB, the whole Size above.
size_t HexSpan(int32_t size) {
  return static_cast<size_t>(size > 0x10000 ? std::min(size, kMemoryBufferSize) : SixteenBitCount(size));
}

size_t ChipBytes(const TChip& chip) { return static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize)); }

TFile OpenForHexRead(const std::string& fileName) {
  errno = 0;
  TFile file(std::fopen(fileName.c_str(), "rb"));
  if (!file) throw PlatformFileFailure(errno ? errno : EIO);
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) throw PlatformFileFailure(EISDIR);
  return file;
}

// Text lines from a file (fileName set) or from memory.
struct TTextSource {
  const std::string* FileName = nullptr;
  std::string_view Text;
};

TKeyedText Where(const TTextSource& source, int64_t line) {
  if (source.FileName) return {"ImgFileLine", {FullFileName(*source.FileName), std::to_string(line)}};
  return {"ImgLine", {std::to_string(line)}};
}

// Feeds the lines of source to line(std::string_view) -> bool (false: stop) and places any
// error of a line at its number, which lineNumber() gives.
template <class OnLine, class LineNumber>
void ReadLines(const TTextSource& source, OnLine&& line, LineNumber&& lineNumber) {
  THexLineSplitter splitter;
  auto placed = [&](auto&& step) -> bool {
    try {
      return step();
    } catch (const TImageError& e) {
      throw e.Placed(Where(source, lineNumber()));
    } catch (const TError& e) {
      if (!e.Key().empty()) throw TImageError(Where(source, lineNumber()), TKeyedText{e.Key(), e.Args()});
      throw TImageError(Where(source, lineNumber()), std::string(e.what()));
    }
  };
  if (!source.FileName) {
    placed([&] { return splitter.Feed(source.Text.data(), source.Text.size(), line) && splitter.Finish(line); });
    return;
  }
  TFile file = OpenForHexRead(*source.FileName);
  constexpr size_t kChunk = size_t{256} * 1024;
  std::unique_ptr<char[]> chunk(new char[kChunk]);
  for (;;) {
    errno = 0;
    const size_t got = std::fread(chunk.get(), 1, kChunk, file.get());
    if (got == 0) {
      if (std::ferror(file.get())) throw PlatformFileFailure(errno ? errno : EIO);
      placed([&] { return splitter.Finish(line); });
      return;
    }
    if (!placed([&] { return splitter.Feed(chunk.get(), got, line); })) return;
  }
}

void ReadHex(const TTextSource& source, const TChip& chip, uint32_t offset, uint8_t* image) {
  if (image) std::memset(image, kBlankValue, HexSpan(chip.Size));
  THexRecordReader reader(image, offset);
  ReadLines(
      source,
      [&](std::string_view l) {
        const auto step = reader.Line(l);
        if (step == THexRecordReader::TStep::WrongChecksum) throw TImageError({"ImgBadChecksum", {}});
        return step == THexRecordReader::TStep::More;
      },
      [&] { return reader.LineNumber(); });
}

void ReadSRec(const TTextSource& source, const TChip& chip, uint32_t offset, uint8_t* image) {
  if (image) std::memset(image, kBlankValue, ChipBytes(chip));
  TSRecordReader reader(image, offset);
  ReadLines(
      source, [&](std::string_view l) { return reader.Line(l) == TSRecordReader::TStep::More; },
      [&] { return reader.LineNumber(); });
}

[[noreturn]] void CannotOpen(const std::string& fileName, int error) {
  throw TError(TMessageKey{"CannotOpenFile"}, {FullFileName(fileName), SystemErrorText(error)});
}

void ReadBin(const std::string& fileName, const TChip& chip, uint8_t* image) {
  const size_t size = ChipBytes(chip);
  errno = 0;
  TFile file(std::fopen(fileName.c_str(), "rb"));
  if (!file) CannotOpen(fileName, errno ? errno : EIO);
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) CannotOpen(fileName, EISDIR);
  std::memset(image, kBlankValue, size);
  size_t done = 0;
  while (done < size) {
    errno = 0;
    const size_t got = std::fread(image + done, 1, size - done, file.get());
    if (got == 0) {
      if (std::ferror(file.get()))
        throw TError(TMessageKey{"CannotReadFile"}, {FullFileName(fileName), SystemErrorText(errno ? errno : EIO)});
      break;
    }
    done += got;
  }
}

// Runs read over a scratch copy of image and copies the result back when it succeeded.
template <class Read>
void Safely(std::span<uint8_t> image, Read&& read) {
  if (image.size() < static_cast<size_t>(kMemoryBufferSize))
    throw TError("The image buffer is smaller than the memory buffer.");
  std::unique_ptr<uint8_t[]> scratch(new uint8_t[kMemoryBufferSize]);
  std::memcpy(scratch.get(), image.data(), kMemoryBufferSize);
  read(scratch.get());
  std::memcpy(image.data(), scratch.get(), kMemoryBufferSize);
}

std::span<uint8_t> Memory() { return {MemoryBuffer, static_cast<size_t>(kMemoryBufferSize)}; }

}  // namespace

void ReadImageFile(const std::string& fileName, TImageFormat format, const TChip& chip, uint32_t offset,
                   std::span<uint8_t> image) {
  Safely(image, [&](uint8_t* scratch) {
    switch (format) {
      case TImageFormat::Hex: ReadHex({&fileName, {}}, chip, offset, scratch); break;
      case TImageFormat::SRec: ReadSRec({&fileName, {}}, chip, offset, scratch); break;
      case TImageFormat::Bin: ReadBin(fileName, chip, scratch); break;
    }
  });
}

void LoadImageFile(const std::string& fileName, TImageFormat format, const TChip& chip, uint32_t offset) {
  ReadImageFile(fileName, format, chip, offset, Memory());
}

void LoadHexFile(const std::string& fileName, const TChip& chip, uint32_t offset) {
  LoadImageFile(fileName, TImageFormat::Hex, chip, offset);
}

void LoadSRecFile(const std::string& fileName, const TChip& chip, uint32_t offset) {
  LoadImageFile(fileName, TImageFormat::SRec, chip, offset);
}

void LoadBinFile(const std::string& fileName, const TChip& chip) {
  LoadImageFile(fileName, TImageFormat::Bin, chip, 0);
}

void LoadHexText(std::string_view text, const TChip& chip, uint32_t offset) {
  Safely(Memory(), [&](uint8_t* scratch) { ReadHex({nullptr, text}, chip, offset, scratch); });
}

void LoadSRecText(std::string_view text, const TChip& chip, uint32_t offset) {
  Safely(Memory(), [&](uint8_t* scratch) { ReadSRec({nullptr, text}, chip, offset, scratch); });
}

std::optional<uint64_t> LowestImageAddress(const std::string& fileName, TImageFormat format) {
  uint64_t lowest = UINT64_MAX;
  try {
    if (format == TImageFormat::Hex) {
      THexRecordReader reader(nullptr);
      ReadLines(
          TTextSource{&fileName, {}},
          [&](std::string_view l) {
            const auto step = reader.Line(l);
            lowest = reader.LowestAddress();
            return step == THexRecordReader::TStep::More;
          },
          [&] { return reader.LineNumber(); });
    } else if (format == TImageFormat::SRec) {
      TSRecordReader reader(nullptr);
      ReadLines(
          TTextSource{&fileName, {}},
          [&](std::string_view l) {
            const auto step = reader.Line(l);
            lowest = reader.LowestAddress();
            return step == TSRecordReader::TStep::More;
          },
          [&] { return reader.LineNumber(); });
    }
  } catch (const std::exception&) {
    // The load itself reports what is wrong with the file.
  }
  if (lowest == UINT64_MAX) return std::nullopt;
  return lowest;
}
