#include "cli/image_options.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>

#include "buffer/memory_buffer.h"
#include "cli/console_user_interface.h"
#include "common/error.h"
#include "common/integer.h"
#include "imagefile/file_errors.h"
#include "imagefile/safe_file_writer.h"
#include "production/serial_number.h"
#include "session/image_files.h"

namespace {

std::optional<TImageFormat> FlagFormat(const TCliOptions& o, const std::string& flag) {
  auto it = o.Flags.find(flag);
  if (it == o.Flags.end()) return std::nullopt;
  const auto format = ImageFormatById(it->second);
  if (!format)
    throw TCliError{kExitUsage, "--" + flag + " must be " + ImageFormatIds(", ") + ", not '" + it->second + "'"};
  return format;
}

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

}  // namespace

TImageFormat ImageFormatOption(const TCliOptions& o, const std::string& flag, const std::string& file) {
  return FlagFormat(o, flag).value_or(ImageFormatOf(file));
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

TCommandImage LoadImageForCommand(const TCliOptions& o, const std::string& flag, const std::string& file,
                                  const TChip& chip, TImageLimit limit) {
  std::error_code ec;
  if (file != kStandardStream && std::filesystem::is_directory(file, ec))
    throw TCliError{kExitFile, file + " is a folder, not an image file"};
  TImageLoadRequest request;
  const bool standard = file == kStandardStream;
  request.File = standard ? "standard input" : file;
  if (standard) request.Text = StandardInput();
  request.Format = FlagFormat(o, flag);
  request.Offset = OffsetOption(o);
  request.Chip = chip;
  request.OnlyBuffer = limit == TImageLimit::Buffer;
  request.PastChip = o.Flags.count("cut") ? TPastChip::Cut : TPastChip::Refuse;
  TCommandImage image;
  image.Bytes.resize(kMemoryBufferSize);
  TConsoleUserInterface ui;
  TImageLoad load = LoadImageInto(request, image.Bytes, ui);
  if (!load.Loaded) throw TCliError{load.ExitCode, load.Error};
  image.Extent = load.Extent;
  for (const std::string& warning : load.Warnings) {
    if (!image.Warning.empty()) image.Warning += " ";
    image.Warning += warning;
    std::cerr << "tesmaro-cli: " << warning << "\n";
  }
  return image;
}

void CheckOutputWritable(const std::string& out, TImageFormat format) {
  if (out == kStandardStream) {
    if (format == TImageFormat::Bin && isatty(STDOUT_FILENO))
      throw TCliError{kExitUsage,
                      "binary image data would go to the terminal: redirect standard output or give "
                      "--format hex or srec"};
    return;
  }
  auto refuse = [&](int error) {
    TConsoleUserInterface ui;
    throw TCliError{kExitFile, FormatText(ui.MessageText("CannotCreateFile"), {out, SystemErrorText(error)}) +
                                   "; the chip was not touched"};
  };
  // A FIFO or device is only asked whether it may be written: opening a FIFO would wait for its
  // reader, and closing it would end the reader's data.
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(out, ec);
  if (std::filesystem::exists(status) && !std::filesystem::is_regular_file(status) &&
      !std::filesystem::is_directory(status)) {
    if (access(out.c_str(), W_OK) != 0) refuse(errno);
    return;
  }
  TSafeFileWriter writer(out);  // what it prepared goes again when the writer ends
  if (const TFileFailure f = writer.Open()) refuse(f.Error);
}

void SaveImageForCommand(const std::string& out, TImageFormat format, std::span<const uint8_t> image,
                         const TImageSpan& span) {
  if (out != kStandardStream) {
    WriteImage(out, format, image, span);
    return;
  }
  const std::string text = ImageText(format, image, span);
  std::cout.flush();
  if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
    throw TCliError{kExitFile, "cannot write to standard output: " + SystemErrorText(errno)};
}

std::string FormatOptionHelp(const char* flag) { return std::string("--") + flag + " " + ImageFormatIds("|"); }

void PrintDifferences(const TDifferences& differences) {
  TConsoleUserInterface ui;
  for (const TByteDifference& d : differences.Listed) std::cout << DifferenceLine(d) << "\n";
  std::cout << (differences.Count == 1 ? ui.MessageText("ByteDiffers")
                                       : FormatText(ui.MessageText("BytesDiffer"), {std::to_string(differences.Count)}))
            << "\n";
}
