// Chip commands: read (chip to image file), write (image file to chip, with the read-back check)
// verify (chip against image file), blank check and erase, on the programmer or the simulated one.
#include <iostream>
#include <vector>

#include "buffer/memory_buffer.h"
#include "catalogue/catalogue.h"
#include "cli/check_options.h"
#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/image_options.h"
#include "cli/programmer_session.h"
#include "cli/stop_signals.h"
#include "common/error.h"
#include "production/production_log.h"
#include "programmer/blank_erase.h"
#include "programmer/checked_read.h"
#include "programmer/chip_operations.h"
#include "programmer/size_detection.h"

namespace {

void RequireArgs(const TCliOptions& o, const char* usage) {
  if (o.Args.size() != 1) throw TCliError{kExitUsage, std::string("usage: tesmaro-cli --chip NAME ") + usage};
}

// The chip of --chip when the chip routines can work on it; a usage error before anything is
// sent when it has no size or the catalogue marks it unsupported.
TChip RequireUsableChip(const TCliOptions& o, TUserInterface& ui) {
  TChip chip = RequireChip(o);
  switch (ChipUseOf(chip)) {
    case TChipUse::Usable: break;
    case TChipUse::NoChip: throw TCliError{kExitUsage, ui.MessageText("NoChip")};
    case TChipUse::Unsupported: throw TCliError{kExitUsage, FormatText(ui.MessageText("ChipUnsupported"), {chip.Name})};
  }
  return chip;
}

// Says with --verbose which programmer and chip the command works on.
void TellProgrammerAndChip(const TProgrammerSession& session, const TChip& chip) {
  if (const THidDevice* d = session.Programmer.HeldDevice)
    VerboseLine("programmer " + d->DevicePath() + (d->SerialNumber().empty() ? "" : " (" + d->SerialNumber() + ")") +
                ", firmware " + std::to_string(session.Programmer.Major) + "." +
                std::to_string(session.Programmer.Minor));
  VerboseLine("chip " + chip.Name + " (" + chip.Family + "): " + std::to_string(chip.Size) + " bytes, pages of " +
              std::to_string(chip.PageSize) + ", type " + std::to_string(chip.ChipType));
}

int Read(TCliOptions& o) {
  RequireArgs(o, "read OUT");
  TConsoleUserInterface ui;
  const TChip chip = RequireUsableChip(o, ui);
  ui.ProgressBytes = static_cast<uint64_t>(chip.Size);
  const std::string& out = o.Args[0];
  const TImageFormat format = ImageFormatOption(o, "format", out);
  const TCheckOptions checks = CheckOptionsFrom(o);
  // A file that could not be saved is found out before the chip is touched.
  CheckOutputWritable(out, format);
  TStopOnSignals stop;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  TellProgrammerAndChip(session, chip);
  // Bytes that the read does not reach are saved blank.
  std::vector<uint8_t> image(kMemoryBufferSize, kBlankValue);
  ui.SetPhase(TProgressPhase::Reading);
  switch (ReadChipChecked(session.Programmer, chip, image, ui, checks)) {
    case TChipRun::Done: break;
    case TChipRun::Stopped: return TStopOnSignals::ExitCode();
    case TChipRun::Refused: return kExitUsage;
    case TChipRun::Unreliable: return kExitWarning;  // no file: the reads disagreed
    case TChipRun::NoProgrammer:
    case TChipRun::NoAnswer: return ProgrammerExitCode(session.Programmer);
  }
  // A stop that came with the last exchange still leaves no file.
  if (stop.Requested()) {
    ui.ShowMessage(ui.MessageText("OpStopped"));
    return TStopOnSignals::ExitCode();
  }
  SaveImageForCommand(out, format, image, ChipSpan(format, chip));
  return StrictExitCode(o, ui.Notices, kExitOk);
}

// Says where the chip's contents before the write were kept.
void ShowKept(const std::string& file, TUserInterface& ui) {
  if (!file.empty()) ui.ShowInformation(FormatText(ui.MessageText("BackupKept"), {file}));
}

const char* CheckName(TChipCheck check) {
  switch (check) {
    case TChipCheck::Same: return "ok";
    case TChipCheck::Different: return "different";
    case TChipCheck::Refused: return "refused";
    case TChipCheck::Stopped: return "stopped";
    case TChipCheck::NoProgrammer: return "no-programmer";
    case TChipCheck::Unreliable: return "unreliable";
    case TChipCheck::NoAnswer: break;
  }
  return "no-answer";
}

// verify --json: the outcome as one JSON document, with the checks' warnings.
void PrintCheckJson(const TChip& chip, const std::string& image, TChipCheck check, const TDifferences& d,
                    const std::vector<TAddressRange>& ignored, const std::vector<std::string>& warnings) {
  std::string out = "{\"chip\":" + JsonString(chip.Name) + ",\"image\":" + JsonString(image) +
                    ",\"result\":" + JsonString(CheckName(check)) + ",\"differences\":" + std::to_string(d.Count) +
                    ",\"first_difference\":" + (d.Listed.empty() ? "null" : std::to_string(d.Listed[0].Address)) +
                    ",\"listed\":[";
  for (size_t i = 0; i < d.Listed.size(); ++i)
    out += std::string(i ? "," : "") + "{\"address\":" + std::to_string(d.Listed[i].Address) +
           ",\"chip\":" + std::to_string(d.Listed[i].Left) + ",\"expected\":" + std::to_string(d.Listed[i].Right) + "}";
  out += "],\"ignored\":[";
  for (size_t i = 0; i < ignored.size(); ++i)
    out += std::string(i ? "," : "") + "{\"address\":" + std::to_string(ignored[i].Start) +
           ",\"length\":" + std::to_string(ignored[i].End - ignored[i].Start) + "}";
  out += "],\"warnings\":[";
  for (size_t i = 0; i < warnings.size(); ++i) out += std::string(i ? "," : "") + JsonString(warnings[i]);
  std::cout << out << "]}" << std::endl;
}

// Loads IN into the buffer, then runs a command that compares the chip with it.
template <typename TCheck>
int CompareWithImage(TCliOptions& o, const char* usage, bool serialField, TCheck check) {
  RequireArgs(o, usage);
  const bool json = TConsoleUserInterface::Json;
  TConsoleUserInterface ui;
  const TChip chip = RequireUsableChip(o, ui);
  ui.ProgressBytes = static_cast<uint64_t>(chip.Size);
  const std::vector<TAddressRange> ignored =
      IgnoredRanges(o, static_cast<uint64_t>(std::max(chip.Size, 0)), serialField);
  const std::string& in = o.Args[0];
  // An image that does not fit is refused before the programmer is touched.
  const TCommandImage image = LoadImageForCommand(o, "format", in, chip);
  std::string kept;
  TCheckOptions checks = CheckOptionsFrom(o);
  checks.KeptIn = &kept;
  TStopOnSignals stop;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  TellProgrammerAndChip(session, chip);
  TDifferences differences;
  const TChipCheck result = check(session.Programmer, chip, image.Bytes, ui, &differences, ignored, checks);
  ShowKept(kept, ui);
  if (json)
    PrintCheckJson(chip, in, result, differences, ignored, ui.NoticeTexts);
  else if (result == TChipCheck::Different && !TConsoleUserInterface::Quiet)
    PrintDifferences(differences);
  return StrictExitCode(o, ui.Notices, ExitCodeOf(result, session.Programmer, TStopOnSignals::ExitCode()));
}

int Write(TCliOptions& o) {
  return CompareWithImage(o, "write IN", false,
                          [](auto& p, auto& chip, auto source, auto& ui, auto* d, auto ignored, auto& checks) {
                            return WriteAndCheckChip(p, chip, source, ui, d, ignored, nullptr, checks);
                          });
}

// verify --serial ADDR:START[:...] leaves the serial number's field out, as each chip holds its own number.
// With --json, a verify that fails before it compares still prints one JSON document: the error
// and its exit code (the text goes to standard error as well).
void PrintVerifyErrorJson(const TCliOptions& o, int code, const std::string& text) {
  if (!TConsoleUserInterface::Json) return;
  std::cout << "{\"chip\":" << (o.Chip.empty() ? "null" : JsonString(o.Chip))
            << ",\"image\":" << (o.Args.empty() ? "null" : JsonString(o.Args[0]))
            << ",\"result\":\"error\",\"exit_code\":" << code << ",\"error\":" << JsonString(text) << "}" << std::endl;
}

int Verify(TCliOptions& o) {
  try {
    return CompareWithImage(o, "verify IN", true, [](auto&&... a) { return VerifyChip(a...); });
  } catch (const TCliError& e) {
    PrintVerifyErrorJson(o, e.Code, e.Text);
    throw;
  } catch (const std::exception& e) {
    PrintVerifyErrorJson(o, kExitFile, e.what());
    throw;
  }
}

void RequireNoArgs(const TCliOptions& o, const char* usage) {
  if (!o.Args.empty()) throw TCliError{kExitUsage, std::string("usage: tesmaro-cli --chip NAME ") + usage};
}

// Exit 0 when every byte is 0xFF, 1 when one is not.
int BlankCheck(TCliOptions& o) {
  RequireNoArgs(o, "blank-check");
  TConsoleUserInterface ui;
  const TChip chip = RequireUsableChip(o, ui);
  ui.ProgressBytes = static_cast<uint64_t>(chip.Size);
  TStopOnSignals stop;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  TellProgrammerAndChip(session, chip);
  const TBlankCheck check = BlankCheckChip(session.Programmer, chip, ui);
  switch (check.Run) {
    case TChipRun::Done: return check.Blank() ? kExitOk : kExitDifferent;
    case TChipRun::Stopped: return TStopOnSignals::ExitCode();
    case TChipRun::Refused: return kExitUsage;
    case TChipRun::Unreliable: return kExitWarning;
    case TChipRun::NoProgrammer:
    case TChipRun::NoAnswer: break;
  }
  return ProgrammerExitCode(session.Programmer);
}

// Asks first; only --yes or a Yes typed on the terminal erases. A refusal is a usage error.
int Erase(TCliOptions& o) {
  RequireNoArgs(o, "erase [--yes]");
  TConsoleUserInterface ui;
  const TChip chip = RequireUsableChip(o, ui);
  ui.AssumeYes = o.Flags.count("yes") > 0;
  ui.ProgressBytes = static_cast<uint64_t>(chip.Size);
  std::string kept;
  TCheckOptions checks = CheckOptionsFrom(o);
  checks.KeptIn = &kept;
  TStopOnSignals stop;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  TellProgrammerAndChip(session, chip);
  const auto check = EraseChip(session.Programmer, chip, ui, checks);
  ShowKept(kept, ui);
  if (!check) throw TCliError{kExitUsage, "not erased: confirm with --yes or answer y on a terminal"};
  return StrictExitCode(o, ui.Notices, ExitCodeOf(*check, session.Programmer, TStopOnSignals::ExitCode()));
}

// Finds the chip's size by reading: exit 0 when found, 1 when the contents can't tell it, 7 when
// the reads could not be decided, 2 for a chip whose size can't be found by reading.
int Detect(TCliOptions& o) {
  RequireNoArgs(o, "detect");
  TConsoleUserInterface ui;
  const TChip chip = RequireUsableChip(o, ui);
  if (chip.ChipType == 3) throw TCliError{kExitUsage, FormatText(ui.MessageText("DetectType3"), {chip.Name})};
  TStopOnSignals stop;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  const TSizeDetection found = DetectChipSize(session.Programmer, chip, ui);
  switch (found.Result) {
    case TSizeDetection::Found:
    case TSizeDetection::TypeLimit:
      ui.ShowInformation(SizeDetectionText(found, chip, ui));
      ui.ShowInformation(
          DetectedChipsText(ChipsOfTypeAndSize(TCatalogue(o.CatalogueFiles()), chip.ChipType, found.Size), ui));
      return kExitOk;
    case TSizeDetection::TooLarge:
    case TSizeDetection::NoData:
    case TSizeDetection::Regular: throw TCliError{kExitDifferent, SizeDetectionText(found, chip, ui)};
    case TSizeDetection::Unreliable: throw TCliError{kExitWarning, SizeDetectionText(found, chip, ui)};
    case TSizeDetection::NotByReading: throw TCliError{kExitUsage, SizeDetectionText(found, chip, ui)};
    case TSizeDetection::Ended: break;
  }
  if (found.Run == TChipRun::Stopped) return TStopOnSignals::ExitCode();
  return ProgrammerExitCode(session.Programmer);
}

}  // namespace

void AddChipCommands(std::vector<TCliCommand>& out) {
  out.push_back({"read",
                 "read OUT",
                 "read the chip into an image file (- for standard output); the extension gives the format (" +
                     FormatOptionHelp("format") + ")",
                 {"format"},
                 {},
                 Read});
  out.push_back({"write",
                 "write IN",
                 "write an image file (- for standard input) into the chip and check it (--format, --offset ADDR, "
                 "--ignore ADDR:LEN, --cut)",
                 {"format", "offset", "ignore"},
                 {"cut"},
                 Write});
  out.push_back({"verify",
                 "verify IN",
                 "compare the chip with an image file (- for standard input) (--format, --offset ADDR, --ignore "
                 "ADDR:LEN, --serial ADDR:START[:...], --json, --cut)",
                 {"format", "offset", "ignore"},
                 {"json", "cut"},
                 Verify});
  out.push_back(
      {"blank-check", "blank-check", "check that every byte of the chip is 0xFF (exit 1 if not)", {}, {}, BlankCheck});
  out.push_back({"detect",
                 "detect",
                 "find the size of a 24xx chip by reading (--chip: one of its family); never writes",
                 {},
                 {},
                 Detect});
  out.push_back(
      {"erase", "erase --yes", "write 0xFF to the whole chip and check it; asks unless --yes", {}, {"yes"}, Erase});
}
