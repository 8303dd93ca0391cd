// Image file commands: convert, checksum.
#include <iostream>

#include "buffer/memory_buffer.h"
#include "cli/commands.h"
#include "cli/image_options.h"
#include "common/integer.h"

namespace {

void RequireArgs(const TCliOptions& o, size_t count, const char* usage) {
  if (o.Args.size() != count) throw TCliError{kExitUsage, std::string("usage: tesmaro-cli --chip NAME ") + usage};
}

int Convert(TCliOptions& o) {
  RequireArgs(o, 2, "convert IN OUT");
  TChip chip = RequireChip(o);
  const std::string& in = o.Args[0];
  const std::string& out = o.Args[1];
  const TImageFormat inFormat = ImageFormatOption(o, "in-format", in);
  const TImageFormat outFormat = ImageFormatOption(o, "out-format", out);
  LoadImageForCommand(in, inFormat, chip);
  SaveImageFile(out, outFormat, chip);
  return kExitOk;
}

int ChecksumCommand(TCliOptions& o) {
  RequireArgs(o, 1, "checksum FILE");
  TChip chip = RequireChip(o);
  LoadImageForCommand(o.Args[0], ImageFormatOption(o, "format", o.Args[0]), chip);
  std::cout << "Chk: " << IntToHex(CalcChecksum(chip.Size), 4) << "\n";
  return kExitOk;
}

}  // namespace

void AddImageFileCommands(std::vector<TCliCommand>& out) {
  out.push_back({"convert", "convert IN OUT",
                 "convert an image; .hex is Intel HEX (--in-format/--out-format hex|bin)",
                 {"in-format", "out-format"}, {}, Convert});
  out.push_back({"checksum", "checksum FILE", "print the checksum of an image (--format hex|bin)",
                 {"format"}, {}, ChecksumCommand});
}
