// Image file commands: convert, checksum, compare.
#include <algorithm>
#include <iostream>
#include <vector>

#include "buffer/differences.h"
#include "buffer/memory_buffer.h"
#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/image_options.h"
#include "common/integer.h"

namespace {

void RequireArgs(const TCliOptions& o, size_t count, const char* usage) {
  if (o.Args.size() != count) throw TCliError{kExitUsage, std::string("usage: tesmaro-cli --chip NAME ") + usage};
}

int Convert(TCliOptions& o) {
  RequireArgs(o, 2, "convert IN OUT");
  TChip chip = RequireChip(o);
  const std::string& in = o.Args[0];
  const std::string& out = o.Args[1];
  const TImageFormat inFormat = InputFormatOption(o, "in-format", in);
  const TImageFormat outFormat = ImageFormatOption(o, "out-format", out);
  CheckOutputWritable(out, outFormat);
  LoadImageForCommand(in, inFormat, chip, OffsetOption(o));
  SaveImageForCommand(out, outFormat, chip);
  return kExitOk;
}

int ChecksumCommand(TCliOptions& o) {
  RequireArgs(o, 1, "checksum FILE");
  TChip chip = RequireChip(o);
  LoadImageForCommand(o.Args[0], InputFormatOption(o, "format", o.Args[0]), chip, OffsetOption(o));
  std::cout << "Chk: " << IntToHex(CalcChecksum(chip.Size), 4) << "\n";
  return kExitOk;
}

// Compares the chip's range of two image files; without --chip the whole 1 MiB buffer.
int Compare(TCliOptions& o) {
  if (o.Args.size() != 2) throw TCliError{kExitUsage, "usage: tesmaro-cli [--chip NAME] compare A B"};
  TChip chip;
  if (o.Chip.empty())
    chip.Size = kMemoryBufferSize;
  else
    chip = RequireChip(o);
  if (o.Args[0] == kStandardStream && o.Args[1] == kStandardStream)
    throw TCliError{kExitUsage, "compare can read only one of its images from standard input"};
  const uint32_t offset = OffsetOption(o);
  const size_t n = static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize));
  const std::vector<TAddressRange> ignored = IgnoredRanges(o, n, false);
  std::vector<uint8_t> a(kMemoryBufferSize), b(kMemoryBufferSize);
  LoadImageForCommand(o.Args[0], InputFormatOption(o, "format", o.Args[0]), chip, offset, a);
  LoadImageForCommand(o.Args[1], InputFormatOption(o, "format", o.Args[1]), chip, offset, b);
  KeepIgnoredEqual(std::span(a).first(n), std::span(b).first(n), ignored);
  const TDifferences d = FindDifferences(std::span(a).first(n), std::span(b).first(n), 16);
  TConsoleUserInterface ui;
  if (d.Same()) {
    std::cout << ui.MessageText("FilesSame") << "\n";
    return kExitOk;
  }
  for (const TByteDifference& x : d.Listed) std::cout << DifferenceLine(x) << "\n";
  std::cout << DifferenceText(d, "FilesDifference", ui) << "\n";
  return kExitDifferent;
}

}  // namespace

void AddImageFileCommands(std::vector<TCliCommand>& out) {
  out.push_back({"convert",
                 "convert IN OUT",
                 "convert an image (- for standard input or output); the extension gives the format "
                 "(--in-format/--out-format hex|srec|bin, --offset ADDR)",
                 {"in-format", "out-format", "offset"},
                 {},
                 Convert});
  out.push_back({"checksum",
                 "checksum FILE",
                 "print the checksum of an image (--format hex|srec|bin, --offset ADDR)",
                 {"format", "offset"},
                 {},
                 ChecksumCommand});
  out.push_back({"compare",
                 "compare A B",
                 "compare two images over the chip (without --chip, 1 MiB); exit 0 same, 1 different "
                 "(--format, --offset ADDR, --ignore ADDR:LEN)",
                 {"format", "offset", "ignore"},
                 {},
                 Compare});
}
