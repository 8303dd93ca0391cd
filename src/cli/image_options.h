// Image files in tesmaro-cli: the format of a named file, the load offset, the bytes comparisons
// leave out, and the load and save that every command taking an image file shares, with the
// refusal of images that don't fit.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "buffer/differences.h"
#include "catalogue/chip.h"
#include "cli/cli_options.h"
#include "imagefile/image_file.h"

// The file name that stands for standard input or output.
inline constexpr const char* kStandardStream = "-";

// The format to write file in: flag's value ("hex", "srec" or "bin") when given, else the one its
// extension names, else binary. A bad value is a usage error.
TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file);
// --offset ADDR (hexadecimal with 0x, else decimal), 0 without it. A bad value is a usage error.
uint32_t OffsetOption(const TCliOptions& o);

// A number as the options write addresses: hexadecimal after 0x, else decimal; false when it is
// neither or above 32 bits.
bool ParseAddress(const std::string& text, uint32_t& value);

// The byte ranges that comparisons leave out: every --ignore ADDR:LEN and, with serialField, the
// field of --serial. Each must lie within the first limit bytes (the chip); a usage error
// otherwise.
std::vector<TAddressRange> IgnoredRanges(const TCliOptions& o, uint64_t limit, bool serialField);

// What a command loaded: one image of the memory buffer's size, 0xFF where the file holds no
// data, where the data lay, and the warning of --cut (empty when nothing was cut).
struct TCommandImage {
  std::vector<uint8_t> Bytes;
  TImageExtent Extent;
  std::string Warning;
};

// Which limit the image's data must keep: the chip's Size (an image for a chip), or only the
// memory buffer's (a conversion).
enum class TImageLimit { Chip, Buffer };

// Loads file ("-": standard input) for a command: its format by the format flag, else by name or
// content, at --offset. A file that does not load ends the command with a file error (exit 3).
// Data past the limit are refused the same way, naming the file, where its data end and where the
// chip ends, and asking whether an --offset is missing when they start at 0x10000 or above; with
// --cut only the chip's first Size bytes are used and the warning goes to standard error.
TCommandImage LoadImageForCommand(const TCliOptions& o, const std::string& flag, const std::string& file,
                                  const TChip& chip, TImageLimit limit = TImageLimit::Chip);

// Before the chip is touched: out can be written. For a file, prepares the write a save starts
// with (and gives it up again); TCliError (file) naming it otherwise. For "-", standard output
// must not be a terminal when the format is binary (usage error).
void CheckOutputWritable(const std::string& out, TImageFormat format);

// Saves image over span to out in format; "-" writes it to standard output.
void SaveImageForCommand(const std::string& out, TImageFormat format, std::span<const uint8_t> image,
                         const TImageSpan& span);

// "--format hex|bin|srec": the format options' values for --help.
std::string FormatOptionHelp(const char* flag);

// Prints the listed differences one a line ("0x001F: 3A 5C") and the count on standard output.
void PrintDifferences(const TDifferences& differences);
