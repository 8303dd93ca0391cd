// Fuzzes the Intel HEX reader. Input: a byte choosing the chip, the mode and the source, a byte
// choosing the size of the pieces the line splitter is fed in and the load offset, then either
// the file's text, or (record mode) records as binary fields that are written out as well-formed
// lines, so that address values are reached without spelling them in hexadecimal digits. Half
// the chip choices read the text as a file without a known extension, in the format its content
// gives (Intel HEX, S-records or binary). Every record must stay inside the image; a loaded file
// fits the chip exactly when the fit check says so, and saved back it loads as the same bytes;
// every refusal has a text; the lines must not depend on how the text was cut into pieces; and a
// save of the chip's bytes loads back as the same bytes.
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "fuzz_support.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_file.h"

namespace {

const int32_t kSizes[] = {16, 100, 128, 256, 8192, 0x10000, 0x10001, 0x20000, 0x100000, 0, -1, 0x12345};
// Load offsets, chosen by the top bits of the second byte.
const uint32_t kOffsets[] = {0, 0x100, 0x10000, 0x800000};

// Intel HEX lines from binary fields: per record a type byte (its bit 7 spoils the checksum),
// a length byte, a 16-bit address, then the data bytes.
std::string RecordText(fuzz::TInput& in) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string text;
  auto put = [&](uint32_t b, uint32_t& sum) {
    text += kDigits[(b >> 4) & 15];
    text += kDigits[b & 15];
    sum += b;
  };
  while (in.Left() > 0) {
    const uint8_t kind = in.Byte();
    const uint32_t type = (kind & 0x7F) % 6;
    const uint32_t length = type == 2 || type == 4 ? 2 : in.Byte();
    const uint32_t address = in.Word();
    uint32_t sum = 0;
    text += ':';
    put(length, sum);
    put(address >> 8, sum);
    put(address & 0xFF, sum);
    put(type, sum);
    for (uint32_t i = 0; i < length; ++i) put(in.Byte(), sum);
    uint32_t check = (0x100 - (sum & 0xFF)) & 0xFF;
    put(kind & 0x80 ? check ^ 1 : check, sum);
    text += "\r\n";
  }
  return text;
}

std::vector<std::string> Lines(std::string_view text, size_t piece) {
  std::vector<std::string> lines;
  auto onLine = [&](std::string_view l) {
    lines.emplace_back(l);
    return lines.size() < 10000;
  };
  THexLineSplitter splitter;
  bool more = true;
  for (size_t at = 0; more && at < text.size(); at += piece)
    more = splitter.Feed(text.data() + at, std::min(piece, text.size() - at), onLine);
  if (more) splitter.Finish(onLine);
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::TInput in(data, size);
  TChip chip;
  chip.Name = "24C64";
  const uint8_t first = in.Byte();
  chip.Size = kSizes[(first & 0x7F) % std::size(kSizes)];
  // Half the chip choices read the text from a scratch file, in the file reader's chunks and in
  // the format of its content.
  const bool throughFile = ((first & 0x7F) / std::size(kSizes)) % 2 == 1;
  const uint8_t second = in.Byte();
  const size_t piece = 1 + second % 64;
  const uint32_t offset = kOffsets[second >> 6];
  const std::string records = first & 0x80 ? RecordText(in) : std::string();
  const std::string_view text = first & 0x80 ? std::string_view(records) : in.Rest();

  // The image is the chip's size where the chip has one that the buffer holds, else the whole
  // buffer: a load blanks only the bytes the chip has, and data past it take the counting path.
  static std::vector<uint8_t> storage(kMemoryBufferSize), again(kMemoryBufferSize);
  const size_t capacity = chip.Size > 0 && static_cast<size_t>(chip.Size) <= kMemoryBufferSize
                              ? static_cast<size_t>(chip.Size)
                              : kMemoryBufferSize;
  const std::span<uint8_t> image(storage.data(), capacity);
  const std::string name =
      throughFile ? fuzz::WriteScratchFile("image.img", text.data(), text.size()) : std::string("fuzz.hex");
  try {
    const TImageExtent extent = throughFile ? ReadImage(name, ImageFormatToRead(name), offset, image)
                                            : ReadImageText(text, TImageFormat::Hex, offset, image, name);
    FUZZ_CHECK(extent.HasData());  // a file without data is refused
    const std::optional<TKeyedText> problem = ImageFitProblem(name, extent, chip, capacity);
    const bool fits = extent.End <= capacity && (chip.Size <= 0 || extent.End <= static_cast<uint64_t>(chip.Size));
    FUZZ_CHECK(problem.has_value() != fits);
    if (problem) FUZZ_CHECK(!FormatText(BuiltInMessageText(problem->Key), problem->Args).empty());

    // Saved back over its data and the chip, at its offset, the file loads as the same bytes
    // (spans up to 16 KiB: longer ones repeat the same records).
    const TImageSpan span = SaveSpan(TImageFormat::Hex, chip, static_cast<uint32_t>(extent.First),
                                     static_cast<uint32_t>(extent.End), offset);
    if (fits && span.End - span.Start <= 0x4000) {
      const std::string saved = ImageText(TImageFormat::Hex, image, span);
      const TImageExtent back = ReadImageText(saved, TImageFormat::Hex, offset, std::span(again).first(capacity));
      FUZZ_CHECK(back.First <= extent.First && back.End >= extent.End);
      const size_t end = std::min<size_t>(span.End, capacity);
      FUZZ_CHECK(std::memcmp(again.data() + span.Start, storage.data() + span.Start, end - span.Start) == 0);
    }
  } catch (const TError& e) {
    // Every refusal says something, in English and through a language that lacks its key.
    FUZZ_CHECK(!ErrorText(e, BuiltInMessageText).empty());
    FUZZ_CHECK(!e.Text([](const std::string&) { return std::string(); }).empty());
  }
  ImageFormatOfContent(text);
  FUZZ_CHECK(Lines(text, piece) == Lines(text, text.size() + 1));

  // Round trip of a small chip whose bytes are the text's (bigger ones cost time, not coverage).
  if (chip.Size > 0 && chip.Size <= 256) {
    const size_t n = static_cast<size_t>(chip.Size);
    std::vector<uint8_t> bytes(n, 0);
    std::memcpy(bytes.data(), text.data(), std::min(n, text.size()));
    std::memcpy(storage.data(), bytes.data(), n);
    const std::string saved = ImageText(TImageFormat::Hex, storage, ChipSpan(TImageFormat::Hex, chip));
    ReadImageText(saved, TImageFormat::Hex, 0, std::span(again).first(n));  // throws on any fault
    FUZZ_CHECK(std::memcmp(again.data(), bytes.data(), n) == 0);
  }
  return 0;
}
