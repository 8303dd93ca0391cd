#include "cli/image_options.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>

#include "buffer/memory_buffer.h"
#include "cli/console_user_interface.h"
#include "common/error.h"
#include "common/integer.h"
#include "imagefile/file_errors.h"
#include "imagefile/safe_file_writer.h"
#include "production/serial_number.h"

TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file) {
  auto it = o.Flags.find(flag);
  if (it == o.Flags.end()) return ImageFormatOf(file);
  TImageFormat format;
  if (!ParseImageFormat(it->second, format))
    throw TCliError{kExitUsage, "--" + flag + " must be hex, srec or bin, not '" + it->second + "'"};
  return format;
}

bool ParseAddress(const std::string& text, uint32_t& result) {
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
  if (!ok || value > UINT32_MAX) return false;
  result = static_cast<uint32_t>(value);
  return true;
}

uint32_t OffsetOption(const TCliOptions& o) {
  auto it = o.Flags.find("offset");
  if (it == o.Flags.end()) return 0;
  uint32_t value = 0;
  if (!ParseAddress(it->second, value))
    throw TCliError{kExitUsage, "--offset must be an address such as 0x810000, not '" + it->second + "'"};
  return value;
}

std::vector<TAddressRange> IgnoredRanges(const TCliOptions& o, uint64_t limit, bool serialField) {
  std::vector<TAddressRange> out;
  auto add = [&](const std::string& option, uint64_t start, uint64_t length) {
    if (start + length > limit)
      throw TCliError{kExitUsage, option + " reaches past the end of the chip (" + std::to_string(limit) + " bytes)"};
    out.push_back({static_cast<uint32_t>(start), static_cast<uint32_t>(start + length)});
  };
  if (auto it = o.Lists.find("ignore"); it != o.Lists.end())
    for (const std::string& text : it->second) {
      const size_t colon = text.find(':');
      uint32_t start = 0, length = 0;
      if (colon == std::string::npos || !ParseAddress(text.substr(0, colon), start) ||
          !ParseAddress(text.substr(colon + 1), length) || length == 0)
        throw TCliError{kExitUsage, "--ignore needs ADDR:LEN, such as 0x1FFC:4, not '" + text + "'"};
      add("--ignore " + text, start, length);
    }
  if (auto it = o.Flags.find("serial"); serialField && it != o.Flags.end()) {
    TSerialSpec layout;
    std::string error;
    if (!ParseSerialSpec(it->second, layout, error)) throw TCliError{kExitUsage, error};
    add("--serial " + it->second, layout.Address, layout.Width);
  }
  return out;
}

namespace {

// Standard input, read once: several loads of "-" see the same bytes.
const std::string& StandardInput() {
  static const std::string bytes = [] {
    std::string all;
    char chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, stdin)) > 0) all.append(chunk, n);
    return all;
  }();
  return bytes;
}

// The format of image data by their first characters: Intel HEX starts with ':', S-records with
// 'S' and a digit (blanks before them allowed), anything else is binary.
TImageFormat ImageFormatOfContent(std::string_view data) {
  const size_t first = data.find_first_not_of(" \t\r\n");
  if (first == std::string_view::npos) return TImageFormat::Bin;
  if (data[first] == ':') return TImageFormat::Hex;
  if (data[first] == 'S' && first + 1 < data.size() && data[first + 1] >= '0' && data[first + 1] <= '9')
    return TImageFormat::SRec;
  return TImageFormat::Bin;
}

// Loads standard input's bytes into MemoryBuffer as the file loads do.
void LoadStandardInput(TImageFormat format, const TChip& chip, uint32_t offset) {
  const std::string& data = StandardInput();
  switch (format) {
    case TImageFormat::Hex: LoadHexText(data, chip, offset); break;
    case TImageFormat::SRec: LoadSRecText(data, chip, offset); break;
    case TImageFormat::Bin: {
      const size_t size = static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize));
      std::memset(MemoryBuffer, kBlankValue, size);
      std::copy_n(data.begin(), std::min(size, data.size()), MemoryBuffer);
      break;
    }
  }
}

}  // namespace

TImageFormat InputFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file) {
  if (file == kStandardStream && o.Flags.count(flag) == 0) return ImageFormatOfContent(StandardInput());
  return ImageFormatOption(o, flag, file);
}

void CheckOutputWritable(const std::string& out, TImageFormat format) {
  if (out == kStandardStream) {
    if (format == TImageFormat::Bin && isatty(STDOUT_FILENO))
      throw TCliError{kExitUsage,
                      "binary image data would go to the terminal: redirect standard output or give "
                      "--format hex or srec"};
    return;
  }
  TSafeFileWriter writer(out);  // the temporary file goes again when the writer ends
  if (const TFileFailure f = writer.Open()) {
    TConsoleUserInterface ui;
    throw TCliError{kExitFile, FormatText(ui.MessageText("CannotCreateFile"), {out, SystemErrorText(f.Error)}) +
                                   "; the chip was not touched"};
  }
}

void SaveImageForCommand(const std::string& out, TImageFormat format, const TChip& chip) {
  if (out != kStandardStream) {
    SaveImageFile(out, format, chip);
    return;
  }
  std::string text;
  switch (format) {
    case TImageFormat::Hex: text = HexText(chip); break;
    case TImageFormat::SRec: text = SRecText(chip); break;
    case TImageFormat::Bin:
      text.assign(reinterpret_cast<const char*>(MemoryBuffer),
                  static_cast<size_t>(std::clamp(chip.Size, 0, kMemoryBufferSize)));
      break;
  }
  std::cout.flush();
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    throw TCliError{kExitFile, "cannot write to standard output: " + SystemErrorText(errno)};
}

void LoadImageForCommand(const std::string& file, TImageFormat format, const TChip& chip, uint32_t offset,
                         std::span<uint8_t> image) {
  if (file == kStandardStream) {
    // Loads go through MemoryBuffer; another target gets a copy and MemoryBuffer stays as it was.
    std::vector<uint8_t> saved;
    if (image.data() != MemoryBuffer) saved.assign(MemoryBuffer, MemoryBuffer + kMemoryBufferSize);
    try {
      BlankSixteenBitCount(chip.Size);
      LoadStandardInput(format, chip, offset);
    } catch (const std::exception& e) {
      if (!saved.empty()) std::memcpy(MemoryBuffer, saved.data(), saved.size());
      throw TCliError{kExitFile, std::string("standard input: ") + e.what()};
    }
    if (!saved.empty()) {
      std::memcpy(image.data(), MemoryBuffer, std::min<size_t>(image.size(), kMemoryBufferSize));
      std::memcpy(MemoryBuffer, saved.data(), saved.size());
    }
    return;
  }
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
