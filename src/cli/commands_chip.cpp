// Chip commands: read (chip to image file), write (image file to chip, with the read-back check)
// and verify (chip against image file), on the programmer or the simulated one.
#include "buffer/memory_buffer.h"
#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/image_options.h"
#include "cli/programmer_session.h"
#include "programmer/chip_operations.h"

namespace {

void RequireArgs(const TCliOptions& o, const char* usage) {
  if (o.Args.size() != 1) throw TCliError{kExitUsage, std::string("usage: tesmaro-cli --chip NAME ") + usage};
}

// The exit code of a write or verify; the outcome's message was shown already.
int ExitCodeOf(TChipCheck check) {
  switch (check) {
    case TChipCheck::Same: return kExitOk;
    case TChipCheck::Different: return kExitDifferent;
    case TChipCheck::NoProgrammer:
    case TChipCheck::NoAnswer: break;
  }
  return kExitProgrammer;
}

int Read(TCliOptions& o) {
  RequireArgs(o, "read OUT");
  const TChip chip = RequireChip(o);
  const std::string& out = o.Args[0];
  const TImageFormat format = ImageFormatOption(o, "format", out);
  TConsoleUserInterface ui;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  // Bytes that the read does not reach are saved blank, as in the program after its start.
  BlankSixteenBitCount(chip.Size);
  if (ReadChipTo(session.Programmer, chip, MemoryBuffer, ui) != TChipRun::Done) return kExitProgrammer;
  SaveImageFile(out, format, chip);
  return kExitOk;
}

// Loads IN into the buffer, then runs a command that compares the chip with it.
template <typename TCheck>
int CompareWithImage(TCliOptions& o, const char* usage, TCheck check) {
  RequireArgs(o, usage);
  const TChip chip = RequireChip(o);
  const std::string& in = o.Args[0];
  LoadImageForCommand(in, ImageFormatOption(o, "format", in), chip, OffsetOption(o));
  TConsoleUserInterface ui;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  TDifferences differences;
  TDifferences* found = &differences;
  const TChipCheck result = check(session.Programmer, chip, MemoryBuffer, ui, found);
  if (result == TChipCheck::Different) PrintDifferences(differences);
  return ExitCodeOf(result);
}

int Write(TCliOptions& o) {
  return CompareWithImage(o, "write IN", [](auto&... a) { return WriteAndCheckChip(a...); });
}

int Verify(TCliOptions& o) {
  return CompareWithImage(o, "verify IN", [](auto&... a) { return VerifyChip(a...); });
}

}  // namespace

void AddChipCommands(std::vector<TCliCommand>& out) {
  out.push_back({"read", "read OUT", "read the chip into an image file; the extension gives the format (--format hex|srec|bin)",
                 {"format"}, {}, Read});
  out.push_back({"write", "write IN", "write an image file into the chip and check it (--format, --offset ADDR)",
                 {"format", "offset"}, {}, Write});
  out.push_back({"verify", "verify IN", "compare the chip with an image file (--format, --offset ADDR)",
                 {"format", "offset"}, {}, Verify});
}
