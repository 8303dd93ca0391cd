// Fuzzes the Intel HEX reader. Input: a byte choosing the chip and the mode, a byte choosing the
// size of the pieces the line splitter is fed in, then either the file's text, or (record mode)
// records as binary fields that are written out as well-formed lines, so that address values
// are reached without spelling them in hexadecimal digits. Every record must stay inside the
// image; the lines must not depend on how the text was cut into pieces; the content rule must
// take any text; and a save of the chip's bytes loads back as the same bytes.
#include <cstring>
#include <string>
#include <vector>

#include "buffer/memory_buffer.h"
#include "common/error.h"
#include "fuzz_support.h"
#include "imagefile/hex_reader.h"
#include "imagefile/image_file.h"

namespace {

const int32_t kSizes[] = {16, 100, 128, 256, 8192, 0x10000, 0x10001, 0x20000, 0x100000, 0, -1, 0x12345};

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
  const uint8_t first = in.Byte();
  chip.Size = kSizes[(first & 0x7F) % std::size(kSizes)];
  const size_t piece = 1 + in.Byte() % 64;
  const std::string records = first & 0x80 ? RecordText(in) : std::string();
  const std::string_view text = first & 0x80 ? std::string_view(records) : in.Rest();

  static std::vector<uint8_t> image(kMemoryBufferSize), again(kMemoryBufferSize);
  try {
    ReadImageText(text, TImageFormat::Hex, 0, image);
  } catch (const TError&) {
  }
  ImageFormatOfContent(text);
  FUZZ_CHECK(Lines(text, piece) == Lines(text, text.size() + 1));

  // Round trip of a small chip whose bytes are the text's (bigger ones cost time, not coverage).
  if (chip.Size > 0 && chip.Size <= 256) {
    const size_t n = static_cast<size_t>(chip.Size);
    std::vector<uint8_t> bytes(n, 0);
    std::memcpy(bytes.data(), text.data(), std::min(n, text.size()));
    std::memcpy(image.data(), bytes.data(), n);
    const std::string saved = ImageText(TImageFormat::Hex, image, ChipSpan(TImageFormat::Hex, chip));
    ReadImageText(saved, TImageFormat::Hex, 0, again);  // throws on any fault of the round trip
    FUZZ_CHECK(std::memcmp(again.data(), bytes.data(), n) == 0);
  }
  return 0;
}
