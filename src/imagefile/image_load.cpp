// The loads of every format: the source, the sink, the reader from the format table, and the
// second pass that names the first of two records giving one address different values.
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

#include "common/error.h"
#include "common/integer.h"
#include "imagefile/file_errors.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_error.h"
#include "imagefile/image_file.h"
#include "imagefile/image_formats.h"
#include "imagefile/image_reading.h"

namespace {

struct TFileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

TImageExtent Read(const TImageSource& source, TImageFormat format, uint32_t offset, std::span<uint8_t> image) {
  const TImageFormatInfo& info = ImageFormatInfo(format);
  if (!info.HasAddresses) offset = 0;
  try {
    TImageSink sink(image, offset);
    info.Read(source, sink);
    return sink.Extent();
  } catch (const TImageOverlap& overlap) {
    // Rare: read again to find the record that gave the address its first value.
    TImageSink locator({}, offset);
    locator.Locate = overlap.Address;
    int64_t first = 0;
    try {
      info.Read(source, locator);
    } catch (const TImageLocated& located) {
      first = located.Line;
    }
    const std::string address = IntToHex(static_cast<int64_t>(overlap.Address + offset), 4);
    throw TImageError(LinePlace(source, overlap.Line), {"ImgOverlap", {std::to_string(first), address}});
  }
}

}  // namespace

void ReadHex(const TImageSource& source, TImageSink& sink) {
  THexRecordReader reader(sink);
  reader.Name = source.Name;
  ReadImageLines(
      source, sink, [](void* r, std::string_view l) { return static_cast<THexRecordReader*>(r)->Line(l); }, &reader);
  FinishTextImage(source, sink, reader.Ended(), reader.LineNumber());
}

void ReadBin(const TImageSource& source, TImageSink& sink) {
  const std::span<uint8_t> image = sink.Image();
  uint64_t total = 0;
  if (!source.FileName) {
    const size_t n = std::min(image.size(), source.Text.size());
    std::memcpy(image.data(), source.Text.data(), n);
    total = source.Text.size();
  } else {
    std::unique_ptr<std::FILE, TFileCloser> file(OpenImageFile(*source.FileName));
    // Where the data end: a regular file says so; from anything else the rest is read.
    char rest[16384];
    for (;;) {
      if (total >= image.size()) {
        std::error_code ec;
        const auto size = std::filesystem::file_size(*source.FileName, ec);
        if (!ec) {
          total = std::max<uint64_t>(total, size);
          break;
        }
      }
      const bool inside = total < image.size();
      uint8_t* to = inside ? image.data() + total : reinterpret_cast<uint8_t*>(rest);
      const size_t room = inside ? static_cast<size_t>(image.size() - total) : sizeof rest;
      errno = 0;
      const size_t got = std::fread(to, 1, room, file.get());
      if (got == 0) {
        if (std::ferror(file.get())) throw PlatformFileFailure(errno ? errno : EIO, *source.FileName);
        break;
      }
      total += got;
    }
  }
  if (total == 0) throw TImageError::Whole({"ImgNoData", {source.Name}});
  sink.Cover(0, total);
}

TImageExtent ReadImage(const std::string& fileName, TImageFormat format, uint32_t offset, std::span<uint8_t> image) {
  return Read(TImageSource{&fileName, {}, fileName}, format, offset, image);
}

TImageExtent ReadImageText(std::string_view text, TImageFormat format, uint32_t offset, std::span<uint8_t> image,
                           const std::string& name) {
  return Read(TImageSource{nullptr, text, name.empty() ? "image" : name, !name.empty()}, format, offset, image);
}

std::optional<TKeyedText> ImageFitProblem(const std::string& fileName, const TImageExtent& extent, const TChip& chip,
                                          uint64_t capacity) {
  if (!extent.HasData()) return std::nullopt;
  const std::string last = IntToHex(static_cast<int64_t>(extent.End - 1), 4);
  if (chip.Size > 0 && extent.End > static_cast<uint64_t>(chip.Size))
    return TKeyedText{"ImgPastChip", {fileName, last, chip.Name, IntToHex(chip.Size - 1, 4)}};
  if (extent.End > capacity)
    return TKeyedText{"ImgPastBuffer", {fileName, last, IntToHex(static_cast<int64_t>(capacity) - 1, 4)}};
  return std::nullopt;
}
