// Image files in tesmaro-cli: the format of a named file, the load offset, and the load that
// every command taking an image file shares.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "buffer/differences.h"
#include "catalogue/chip.h"
#include "cli/cli_options.h"
#include "imagefile/image_file.h"

// The format given by option flag ("hex", "srec" or "bin") when present, else by the file's
// extension (see ImageFormatOf). A bad value is a usage error.
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

// Blanks the chip's range as the program's start-up does, then loads file into MemoryBuffer
// (into image when given) at offset. A file that does not load ends the command with a file
// error; when its data start past the chip, the error says which --offset would load it.
void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip, uint32_t offset = 0);
void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip, uint32_t offset,
                         std::span<uint8_t> image);

// The file name that stands for standard input or output.
inline constexpr const char* kStandardStream = "-";

// The format of an input file: flag's value when given; for "-" the content of standard input;
// else the file's extension (see ImageFormatOf).
TImageFormat InputFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file);

// Before the chip is touched: out can be written. For a file, creates (and removes again) the
// temporary file a save starts with; TCliError (file) naming it otherwise. For "-", standard
// output must not be a terminal when the format is binary (usage error).
void CheckOutputWritable(const std::string& out, TImageFormat format);

// Saves the chip's bytes of MemoryBuffer to out in format; "-" writes them to standard output.
void SaveImageForCommand(const std::string& out, TImageFormat format, const TChip& chip);

// Prints the listed differences one a line ("0x001F: 3A 5C") and the count on standard output.
void PrintDifferences(const TDifferences& differences);
