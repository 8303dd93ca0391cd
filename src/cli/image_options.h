// Image files in tesmaro-cli: the format of a named file and the load that every command
// taking an image file shares.
#pragma once

#include <string>

#include "catalogue/chip.h"
#include "cli/cli_options.h"
#include "imagefile/image_file.h"

// The format given by option flag ("hex" or "bin") when present, else by the file's
// extension (".hex" in any case is Intel HEX, anything else binary). A bad value is a usage error.
TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file);

// Blanks the chip's range as the program's start-up does, then loads file into MemoryBuffer.
// A checksum error ends the command: TCliError (file error) "Wrong CheckSum !".
void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip);
