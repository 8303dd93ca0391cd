#include "cli/image_options.h"

#include <iostream>

#include "buffer/memory_buffer.h"
#include "cli/console_user_interface.h"
#include "common/error.h"
#include "common/integer.h"

namespace {

std::optional<TImageFormat> FlagFormat(const TCliOptions& o, const std::string& flag) {
  auto it = o.Flags.find(flag);
  if (it == o.Flags.end()) return std::nullopt;
  const auto format = ImageFormatById(it->second);
  if (!format)
    throw TCliError{kExitUsage, "--" + flag + " must be " + ImageFormatIds(", ") + ", not '" + it->second + "'"};
  return format;
}

}  // namespace

TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file) {
  return FlagFormat(o, flag).value_or(ImageFormatOf(file));
}

TImageFormat ImageFormatToReadOption(const TCliOptions& o, const std::string& flag, const std::string& file) {
  if (auto format = FlagFormat(o, flag)) return *format;
  try {
    return ImageFormatToRead(file);
  } catch (const std::exception& e) {
    throw TCliError{kExitFile, e.what()};
  }
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

TCommandImage LoadImageForCommand(const TCliOptions& o, const std::string& flag, const std::string& file,
                                  const TChip& chip, TImageLimit limit) {
  const TImageFormat format = ImageFormatToReadOption(o, flag, file);
  TCommandImage image;
  image.Bytes.resize(kMemoryBufferSize);
  try {
    image.Extent = ReadImage(file, format, OffsetOption(o), image.Bytes);
  } catch (const std::exception& e) {
    throw TCliError{kExitFile, e.what()};
  }
  const TChip limitChip = limit == TImageLimit::Chip ? chip : TChip{};
  const auto problem = ImageFitProblem(file, image.Extent, limitChip, kMemoryBufferSize);
  if (!problem) return image;
  TConsoleUserInterface ui;
  std::string text = FormatText(ui.MessageText(problem->Key), problem->Args);
  if (o.Flags.count("cut") && chip.Size > 0) {
    image.Warning = text + " " + FormatText(ui.MessageText("ImgCut"), {std::to_string(chip.Size)});
    std::cerr << "tesmaro-cli: " << image.Warning << "\n";
    image.Extent.End = std::min<uint64_t>(image.Extent.End, static_cast<uint64_t>(chip.Size));
    image.Extent.First = std::min(image.Extent.First, image.Extent.End);
    return image;
  }
  if (image.Extent.First >= 0x10000) text += " " + ui.MessageText("ImgOffsetMissing");
  throw TCliError{kExitFile, text};
}

std::string FormatOptionHelp(const char* flag) { return std::string("--") + flag + " " + ImageFormatIds("|"); }

void PrintDifferences(const TDifferences& differences) {
  TConsoleUserInterface ui;
  for (const TByteDifference& d : differences.Listed) std::cout << DifferenceLine(d) << "\n";
  std::cout << (differences.Count == 1 ? ui.MessageText("ByteDiffers")
                                       : FormatText(ui.MessageText("BytesDiffer"), {std::to_string(differences.Count)}))
            << "\n";
}
