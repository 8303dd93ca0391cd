// Image files in tesmaro-cli: the format of a named file, the load offset, and the load that
// every command taking an image file shares.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "buffer/differences.h"
#include "catalogue/chip.h"
#include "cli/cli_options.h"
#include "imagefile/image_file.h"

// The format given by option flag ("hex", "srec" or "bin") when present, else by the file's
// extension (see ImageFormatOf). A bad value is a usage error.
TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file);

// --offset ADDR (hexadecimal with 0x, else decimal), 0 without it. A bad value is a usage error.
uint32_t OffsetOption(const TCliOptions& o);

// Blanks the chip's range as the program's start-up does, then loads file into MemoryBuffer
// (into image when given) at offset. A file that does not load ends the command with a file
// error; when its data start past the chip, the error says which --offset would load it.
void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip, uint32_t offset = 0);
void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip, uint32_t offset,
                         std::span<uint8_t> image);

// Prints the listed differences one a line ("0x001F: 3A 5C") and the count on standard output.
void PrintDifferences(const TDifferences& differences);
