// The reading side that the image formats share: where a file's text comes from, where its bytes
// go (the image, with the check that no two records give one address different values, and the
// extent of the data), and the loop that feeds lines to a record reader and places its errors.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "imagefile/image_error.h"
#include "imagefile/image_file.h"

// A file (FileName set) or text in memory; Name stands for it in messages, and errors of a line
// name it too when Named.
struct TImageSource {
  const std::string* FileName = nullptr;
  std::string_view Text;
  std::string Name;
  bool Named = true;
};

// Two records gave the image address different values; Line is the later one.
struct TImageOverlap {
  uint64_t Address;
  int64_t Line;
};
// The first line that wrote the address being located.
struct TImageLocated {
  int64_t Line;
};

class TImageSink {
 public:
  // Fills image with 0xFF; bytes go to their file address less offset.
  TImageSink(std::span<uint8_t> image, uint32_t offset);

  // n bytes at a file address. Throws TImageError for a byte below the offset and TImageOverlap
  // for a byte that an earlier record gave another value; bytes past the image are only counted.
  void Put(uint64_t address, const uint8_t* data, uint32_t n);
  // Where n bytes at a file address can be stored straight away: inside the image, none of them
  // written before, nothing being located. They count as written and stored. Null otherwise:
  // the reader then hands them to Put.
  uint8_t* Direct(uint64_t address, uint32_t n) {
    if (Locate || n == 0 || address < Offset_) return nullptr;
    const uint64_t at = address - Offset_;
    if (at + n > Image_.size() || !MarkNew(static_cast<size_t>(at), n)) return nullptr;
    Cover(at, at + n);
    return Image_.data() + at;
  }
  // Image addresses [first, end) hold data that the reader stored itself.
  void Cover(uint64_t first, uint64_t end) {
    if (first >= end) return;
    if (first < Extent_.First) Extent_.First = first;
    if (end > Extent_.End) Extent_.End = end;
  }

  std::span<uint8_t> Image() const { return Image_; }
  const TImageExtent& Extent() const { return Extent_; }
  // A doubt about the file that does not refuse it; the load's extent carries it.
  void Warn(TKeyedText warning) { Extent_.Warnings.push_back(std::move(warning)); }

  // The line being read, which an overlap names.
  int64_t Line = 0;
  // When set, Put throws TImageLocated at the first record that writes this image address and
  // stores nothing.
  std::optional<uint64_t> Locate;

 private:
  // Marks the image bytes [from, from + n) written; false, with nothing marked, when one of them
  // was written already. A record within one word of marks is the common case.
  bool MarkNew(size_t from, size_t n) {
    const size_t bit = from & 63;
    if (bit + n > 64) return MarkNewAcross(from, n);
    const uint64_t mask = (n == 64 ? ~uint64_t{0} : (uint64_t{1} << n) - 1) << bit;
    uint64_t& word = Written_[from >> 6];
    if (word & mask) return false;
    word |= mask;
    return true;
  }
  bool MarkNewAcross(size_t from, size_t n);
  void PutOverlapping(size_t at, const uint8_t* data, size_t n);

  std::span<uint8_t> Image_;
  uint32_t Offset_;
  TImageExtent Extent_;
  uint64_t* Written_;  // one bit per image byte
};

// Where an error of source's line lies: "File "x.hex", line 3: %s" or "Line 3: %s".
TKeyedText LinePlace(const TImageSource& source, int64_t line);

// Opens the source's file for reading; a TError naming the file when it can't be read.
std::FILE* OpenImageFile(const std::string& fileName);

// Feeds the lines of source to onLine(std::string_view) -> bool (false: stop), with sink.Line set
// to each line's number, and places an error thrown for a line at that line.
void ReadImageLines(const TImageSource& source, TImageSink& sink, bool (*onLine)(void* reader, std::string_view line),
                    void* reader);
