#include "cli/image_options.h"

#include <cstring>
#include <iostream>

#include "buffer/memory_buffer.h"
#include "cli/console_user_interface.h"
#include "common/error.h"
#include "common/integer.h"

TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file) {
  auto it = o.Flags.find(flag);
  if (it == o.Flags.end()) return ImageFormatOf(file);
  TImageFormat format;
  if (!ParseImageFormat(it->second, format))
    throw TCliError{kExitUsage, "--" + flag + " must be hex, srec or bin, not '" + it->second + "'"};
  return format;
}

uint32_t OffsetOption(const TCliOptions& o) {
  auto it = o.Flags.find("offset");
  if (it == o.Flags.end()) return 0;
  const std::string& text = it->second;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string digits = hex ? text.substr(2) : text;
  uint64_t value = 0;
  bool ok = !digits.empty() && digits.size() <= 10;
  for (char c : digits) {
    int d = -1;
    if (c >= '0' && c <= '9')
      d = c - '0';
    else if (hex && c >= 'a' && c <= 'f')
      d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F')
      d = c - 'A' + 10;
    if (d < 0) ok = false;
    value = value * (hex ? 16 : 10) + static_cast<uint64_t>(d < 0 ? 0 : d);
  }
  if (!ok || value > UINT32_MAX)
    throw TCliError{kExitUsage, "--offset must be an address such as 0x810000, not '" + text + "'"};
  return static_cast<uint32_t>(value);
}

void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip, uint32_t offset,
                         std::span<uint8_t> image) {
  // The bytes above the chip's range are as the program's start-up leaves them.
  if (image.data() == MemoryBuffer)
    BlankSixteenBitCount(chip.Size);
  else
    std::memset(image.data(), kBlankValue, image.size());
  try {
    ReadImageFile(file, format, chip, offset, image);
  } catch (const std::exception& e) {
    std::string text = e.what();
    if (offset == 0) {
      const std::optional<uint64_t> lowest = LowestImageAddress(file, format);
      if (lowest && *lowest > 0 && *lowest >= static_cast<uint64_t>(std::max(chip.Size, 0))) {
        TConsoleUserInterface ui;
        const std::string at = IntToHex(static_cast<int64_t>(*lowest), 4);
        text += "\n" + FormatText(ui.MessageText("ImgUseOffset"), {at, at});
      }
    }
    throw TCliError{kExitFile, text};
  }
}

void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip, uint32_t offset) {
  LoadImageForCommand(file, format, chip, offset, {MemoryBuffer, static_cast<size_t>(kMemoryBufferSize)});
}

void PrintDifferences(const TDifferences& differences) {
  TConsoleUserInterface ui;
  for (const TByteDifference& d : differences.Listed) std::cout << DifferenceLine(d) << "\n";
  std::cout << (differences.Count == 1 ? ui.MessageText("ByteDiffers")
                                       : FormatText(ui.MessageText("BytesDiffer"), {std::to_string(differences.Count)}))
            << "\n";
}
