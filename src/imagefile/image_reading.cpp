#include "imagefile/image_reading.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <vector>

#include "buffer/memory_buffer.h"
#include "common/integer.h"
#include "imagefile/file_errors.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_formats.h"

namespace {

// One bit per image byte, kept per thread so that a load allocates nothing once it ran once.
std::vector<uint64_t>& WrittenBits() {
  thread_local std::vector<uint64_t> bits;
  return bits;
}

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

TImageSink::TImageSink(std::span<uint8_t> image, uint32_t offset) : Image_(image), Offset_(offset) {
  // memset rather than a fill loop: a build with coverage instrumentation (the fuzz targets)
  // keeps the loop and pays a callback for every byte of the 1 MiB image.
  if (!image.empty()) std::memset(image.data(), kBlankValue, image.size());
  std::vector<uint64_t>& bits = WrittenBits();
  const size_t words = (image.size() + 63) / 64;
  if (bits.size() < words) bits.resize(words);
  if (words > 0) std::memset(bits.data(), 0, words * sizeof(uint64_t));
  Written_ = bits.data();
}

bool TImageSink::MarkNewAcross(size_t from, size_t n) {
  const size_t end = from + n;
  for (size_t i = from; i < end;) {
    const size_t bit = i & 63, take = std::min<size_t>(64 - bit, end - i);
    const uint64_t mask = (take == 64 ? ~uint64_t{0} : (uint64_t{1} << take) - 1) << bit;
    uint64_t& word = Written_[i >> 6];
    if (word & mask) {
      // Take back the marks of the words before this one: they were all clear.
      for (size_t j = from; j < i;) {
        const size_t b = j & 63, t = std::min<size_t>(64 - b, i - j);
        Written_[j >> 6] &= ~((t == 64 ? ~uint64_t{0} : (uint64_t{1} << t) - 1) << b);
        j += t;
      }
      return false;
    }
    word |= mask;
    i += take;
  }
  return true;
}

void TImageSink::PutOverlapping(size_t at, const uint8_t* data, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const size_t k = at + i;
    const uint64_t bit = uint64_t{1} << (k & 63);
    if (Written_[k >> 6] & bit) {
      if (Image_[k] != data[i]) throw TImageOverlap{k, Line};
    } else {
      Written_[k >> 6] |= bit;
      Image_[k] = data[i];
    }
  }
}

void TImageSink::Put(uint64_t address, const uint8_t* data, uint32_t n) {
  if (n == 0) return;
  if (address < Offset_)
    throw TImageError({"ImgBelowOffset", {IntToHex(static_cast<int64_t>(address), 4), IntToHex(Offset_, 4)}});
  const uint64_t at = address - Offset_;
  if (Locate) {
    if (*Locate >= at && *Locate < at + n) throw TImageLocated{Line};
    return;
  }
  Extent_.First = std::min(Extent_.First, at);
  Extent_.End = std::max(Extent_.End, at + n);
  if (at >= Image_.size()) return;
  const size_t m = static_cast<size_t>(std::min<uint64_t>(n, Image_.size() - at));
  if (MarkNew(static_cast<size_t>(at), m))
    std::memcpy(Image_.data() + at, data, m);
  else
    PutOverlapping(static_cast<size_t>(at), data, m);
}

TKeyedText LinePlace(const TImageSource& source, int64_t line) {
  if (source.Named) return {"ImgFileLine", {source.Name, std::to_string(line)}};
  return {"ImgLine", {std::to_string(line)}};
}

std::FILE* OpenImageFile(const std::string& fileName) {
  errno = 0;
  std::FILE* file = std::fopen(fileName.c_str(), "rb");
  if (!file) throw PlatformFileFailure(errno ? errno : EIO, fileName);
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) {
    std::fclose(file);
    throw PlatformFileFailure(EISDIR, fileName);
  }
  return file;
}

void ReadImageLines(const TImageSource& source, TImageSink& sink, bool (*onLine)(void* reader, std::string_view line),
                    void* reader) {
  THexLineSplitter splitter;
  int64_t line = 0;
  auto each = [&](std::string_view l) {
    sink.Line = ++line;
    return onLine(reader, l);
  };
  auto placed = [&](auto&& step) -> bool {
    try {
      return step();
    } catch (const TImageError& e) {
      throw e.Placed(LinePlace(source, line));
    } catch (const TError& e) {
      if (!e.Key().empty()) throw TImageError(LinePlace(source, line), TKeyedText{e.Key(), e.Args()});
      throw TImageError(LinePlace(source, line), std::string(e.what()));
    }
  };
  if (!source.FileName) {
    placed([&] { return splitter.Feed(source.Text.data(), source.Text.size(), each) && splitter.Finish(each); });
    return;
  }
  std::unique_ptr<std::FILE, TFileCloser> file(OpenImageFile(*source.FileName));
  constexpr size_t kChunk = size_t{256} * 1024;
  std::unique_ptr<char[]> chunk(new char[kChunk]);
  for (;;) {
    errno = 0;
    const size_t got = std::fread(chunk.get(), 1, kChunk, file.get());
    if (got == 0) {
      if (std::ferror(file.get())) throw PlatformFileFailure(errno ? errno : EIO, *source.FileName);
      placed([&] { return splitter.Finish(each); });
      return;
    }
    if (!placed([&] { return splitter.Feed(chunk.get(), got, each); })) return;
  }
}

void FinishTextImage(const TImageSource& source, const TImageSink& sink, bool ended, int64_t lines) {
  if (sink.Locate) return;
  if (!sink.Extent().HasData()) throw TImageError::Whole({"ImgNoData", {source.Name}});
  if (!ended) throw TImageError::Whole({"ImgNoEndRecord", {source.Name, std::to_string(lines)}});
}
