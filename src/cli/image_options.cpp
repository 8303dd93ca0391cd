#include "cli/image_options.h"

#include "buffer/memory_buffer.h"

TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file) {
  auto it = o.Flags.find(flag);
  if (it == o.Flags.end()) return ImageFormatOf(file);
  TImageFormat format;
  if (!ParseImageFormat(it->second, format))
    throw TCliError{kExitUsage, "--" + flag + " must be hex or bin, not '" + it->second + "'"};
  return format;
}

void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip) {
  BlankSixteenBitCount(chip.Size);
  if (LoadImageFile(file, format, chip) == THexLoad::WrongChecksum) throw TCliError{kExitFile, kWrongChecksumText};
}
