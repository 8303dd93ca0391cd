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

// Converts the file's data; with --chip the output also covers the chip's bytes (blank where the
// file has none).
int Convert(TCliOptions& o) {
  if (o.Args.size() != 2) throw TCliError{kExitUsage, "usage: tesmaro-cli [--chip NAME] convert IN OUT"};
  const TChip chip = o.Chip.empty() ? TChip{} : RequireChip(o);
  const std::string& in = o.Args[0];
  const std::string& out = o.Args[1];
  const TImageFormat outFormat = ImageFormatOption(o, "out-format", out);
  CheckOutputWritable(out, outFormat);
  // Every byte the file held is written, also where it reaches past the chip.
  const TCommandImage image = LoadImageForCommand(o, "in-format", in, chip, TImageLimit::Buffer);
  const TImageExtent& data = image.Extent;
  const TImageSpan span =
      data.HasData() ? SaveSpan(outFormat, chip, static_cast<uint32_t>(data.First), static_cast<uint32_t>(data.End), 0)
                     : ChipSpan(outFormat, chip);
  SaveImageForCommand(out, outFormat, image.Bytes, span);
  return kExitOk;
}

int ChecksumCommand(TCliOptions& o) {
  RequireArgs(o, 1, "checksum FILE");
  TChip chip = RequireChip(o);
  const TCommandImage image = LoadImageForCommand(o, "format", o.Args[0], chip);
  std::cout << "Chk: " << IntToHex(ChecksumOf(image.Bytes, chip.Size), 4) << "\n";
  return kExitOk;
}

// Compares the chip's range of two image files; without --chip the whole 1 MiB buffer.
int Compare(TCliOptions& o) {
  if (o.Args.size() != 2) throw TCliError{kExitUsage, "usage: tesmaro-cli [--chip NAME] compare A B"};
  TChip chip;
  TImageLimit limit = TImageLimit::Chip;
  if (o.Chip.empty()) {
    chip.Size = kMemoryBufferSize;
    limit = TImageLimit::Buffer;
  } else {
    chip = RequireChip(o);
  }
  if (o.Args[0] == kStandardStream && o.Args[1] == kStandardStream)
    throw TCliError{kExitUsage, "compare can read only one of its images from standard input"};
  const size_t n = static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize));
  const std::vector<TAddressRange> ignored = IgnoredRanges(o, n, false);
  TCommandImage a = LoadImageForCommand(o, "format", o.Args[0], chip, limit);
  TCommandImage b = LoadImageForCommand(o, "format", o.Args[1], chip, limit);
  KeepIgnoredEqual(std::span(a.Bytes).first(n), std::span(b.Bytes).first(n), ignored);
  const TDifferences d = FindDifferences(std::span(a.Bytes).first(n), std::span(b.Bytes).first(n), 16);
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
  const std::string formats = ImageFormatIds("|");
  out.push_back({"convert",
                 "convert IN OUT",
                 "convert an image (- for standard input or output), keeping every byte it holds; the name or "
                 "the content gives the format (--in-format/--out-format " +
                     formats + ", --offset ADDR)",
                 {"in-format", "out-format", "offset"},
                 {},
                 Convert});
  out.push_back({"checksum",
                 "checksum FILE",
                 "print the checksum of an image (" + FormatOptionHelp("format") + ", --offset ADDR, --cut)",
                 {"format", "offset"},
                 {"cut"},
                 ChecksumCommand});
  out.push_back({"compare",
                 "compare A B",
                 "compare two images over the chip (without --chip, 1 MiB); exit 0 same, 1 different "
                 "(--format, --offset ADDR, --ignore ADDR:LEN, --cut)",
                 {"format", "offset", "ignore"},
                 {"cut"},
                 Compare});
}
