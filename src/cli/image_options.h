// Image files in tesmaro-cli: the format of a named file, the load offset, and the load that
// every command taking an image file shares, with its refusal of images that don't fit.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "buffer/differences.h"
#include "catalogue/chip.h"
#include "cli/cli_options.h"
#include "imagefile/image_file.h"

// The format to write file in: flag's value ("hex", "srec" or "bin") when given, else the one its
// extension names, else binary. A bad value is a usage error.
TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file);
// The format to read file in: flag's value when given, else by its extension or its content.
TImageFormat ImageFormatToReadOption(const TCliOptions& o, const std::string& flag, const std::string& file);

// --offset ADDR (hexadecimal with 0x, else decimal), 0 without it. A bad value is a usage error.
uint32_t OffsetOption(const TCliOptions& o);

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

// Loads file (format: --format, else by name or content; --offset) for a command. A file that does
// not load ends the command with a file error (exit 3). Data past the limit are refused the same
// way, naming the file, where its data end and where the chip ends, and asking whether an
// --offset is missing when they start at 0x10000 or above; with --cut only the chip's first Size
// bytes are used and the warning goes to standard error.
TCommandImage LoadImageForCommand(const TCliOptions& o, const std::string& flag, const std::string& file,
                                  const TChip& chip, TImageLimit limit = TImageLimit::Chip);

// "--format hex|srec|bin": the format options' values for --help.
std::string FormatOptionHelp(const char* flag);

// Prints the listed differences one a line ("0x001F: 3A 5C") and the count on standard output.
void PrintDifferences(const TDifferences& differences);
