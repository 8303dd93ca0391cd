// Fuzzes the Intel HEX reader. Input: a byte choosing the chip, a byte choosing the size of the
// pieces the line splitter is fed in, then the file's text. Every record must stay inside
// MemoryBuffer; the lines must not depend on how the text was cut into pieces; and a save of
// the chip's bytes loads back as the same bytes.
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
  chip.Size = kSizes[in.Byte() % std::size(kSizes)];
  const size_t piece = 1 + in.Byte() % 64;
  const std::string_view text = in.Rest();

  try {
    LoadHexText(text, chip);
  } catch (const TError&) {
  }
  FUZZ_CHECK(Lines(text, piece) == Lines(text, text.size() + 1));

  // Round trip of a small chip whose bytes are the text's (bigger ones cost time, not coverage).
  if (chip.Size > 0 && chip.Size <= 256) {
    const size_t n = static_cast<size_t>(chip.Size);
    std::vector<uint8_t> bytes(n, 0);
    std::memcpy(bytes.data(), text.data(), std::min(n, text.size()));
    std::memcpy(MemoryBuffer, bytes.data(), n);
    const std::string saved = HexText(chip);
    std::memset(MemoryBuffer, 0, n);
    FUZZ_CHECK(LoadHexText(saved, chip) == THexLoad::Complete);
    FUZZ_CHECK(std::memcmp(MemoryBuffer, bytes.data(), n) == 0);
  }
  return 0;
}
