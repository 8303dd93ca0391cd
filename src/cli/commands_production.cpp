// Production runs: the devices command, and write, verify, erase and blank-check on the chosen
// programmer or on every connected one at once (--all-devices), with serial numbers (--serial,
// --serial-file), a log (--log) and a loop over chips (--repeat).
#include "cli/commands_production.h"

#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <vector>

#include "buffer/memory_buffer.h"
#include "catalogue/catalogue.h"
#include "cli/check_options.h"
#include "cli/console_user_interface.h"
#include "cli/image_options.h"
#include "cli/programmer_session.h"
#include "cli/progress_board.h"
#include "cli/stop_signals.h"
#include "common/error.h"
#include "common/integer.h"
#include "common/scripted_user_interface.h"
#include "crypto/sha256.h"
#include "production/chip_job.h"
#include "production/production_log.h"
#include "production/station_run.h"
#include "programmer/version_query.h"

namespace {

// The operations a production run can repeat on many programmers.
struct TProductionOperation {
  const char* Name;
  bool TakesImage;
  TJobRun Run;
};

const TProductionOperation kOperations[] = {
    {"write", true, WriteJob},
    {"verify", true, VerifyJob},
    {"erase", false, EraseJob},
    {"blank-check", false, BlankCheckJob},
};

const TProductionOperation* OperationNamed(const std::string& name) {
  for (const auto& op : kOperations)
    if (name == op.Name) return &op;
  return nullptr;
}

std::string Hex(uint64_t v) { return "0x" + IntToHex(static_cast<int64_t>(v), 4); }

std::string UnitsOf(const TSerialSpec& layout) {
  return std::to_string(layout.Width) + (layout.Format == TSerialFormat::Ascii ? " digits" : " bytes") + " of " +
         SerialFormatName(layout.Format);
}

std::string ResultLine(const TStation& s) {
  std::string line = s.Node + (s.Serial.empty() ? "" : " (" + s.Serial + ")") + ": " + JobResultName(s.Outcome.Result);
  if (s.SerialNumber) line += ", serial " + std::to_string(*s.SerialNumber);
  if (s.Outcome.FirstDifference) line += ", first difference at " + Hex(*s.Outcome.FirstDifference);
  line += ", " + std::to_string(s.DurationMs) + " ms";
  if (!s.Failure.empty()) line += " (" + s.Failure + ")";
  if (!s.Outcome.Note.empty()) line += ". " + s.Outcome.Note;
  return line;
}

// The exit code of one chip's outcome.
int ExitCodeOf(const TStation& s, const TCliOptions& o) {
  if (s.RecordFailed || (!s.Failure.empty() && s.Outcome.Result == TJobResult::Ok)) return kExitFile;
  switch (s.Outcome.Result) {
    case TJobResult::Ok: return StrictExitCode(o, static_cast<int>(s.Outcome.Warnings.size()), kExitOk);
    case TJobResult::Unreliable: return kExitWarning;
    case TJobResult::Different: return kExitDifferent;
    case TJobResult::Stopped: return TStopOnSignals::ExitCode();
    case TJobResult::NoAccess: return kExitNoAccess;
    case TJobResult::Busy: return kExitBusy;
    default: break;
  }
  return kExitProgrammer;
}

// How much an exit code outweighs others when several chips end differently.
int Weight(int code) {
  switch (code) {
    case kExitOk: return 0;
    case kExitWarning: return 1;
    case kExitDifferent: return 2;
    case kExitFile: return 4;
    default: return 3;
  }
}

// The chip's name as the catalogue spells it: names are found in any letter case, and the log
// records the catalogue's spelling.
std::string CatalogueSpelling(const TCliOptions& o, const TChip& chip) {
  auto lower = [](std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  for (const std::string& key : TCatalogue(o.CatalogueFiles()).Keys(chip.Family))
    if (lower(key) == lower(chip.Name)) return key;
  return chip.Name;
}

void LoadRun(TCliOptions& o, TStationJob& run) {
  run.Chip = RequireChip(o);
  run.Chip.Name = CatalogueSpelling(o, run.Chip);
  {
    // A chip the routines would refuse is refused before any programmer is touched.
    TConsoleUserInterface ui;
    if (RefuseUnusableChip(run.Chip, ui)) throw TCliError{kExitUsage, "chip " + run.Chip.Name + " cannot be used"};
  }
  if (run.TakesImage) {
    if (o.Args.size() != 1)
      throw TCliError{kExitUsage, std::string("usage: tesmaro-cli --chip NAME ") + run.Operation + " IN"};
    run.ImageFile = o.Args[0];
    if (run.ImageFile == kStandardStream && o.Flags.count("repeat"))
      throw TCliError{kExitUsage,
                      "--repeat reads the operator's answers from standard input: the image can't come "
                      "from there too"};
    const TCommandImage image = LoadImageForCommand(o, "format", run.ImageFile, run.Chip);
    std::error_code ec;
    run.ImageSize = run.ImageFile == kStandardStream ? 0 : std::filesystem::file_size(run.ImageFile, ec);
    run.Checksum = IntToHex(ChecksumOf(image.Bytes, run.Chip.Size), 4);
    run.ImageWarning = image.Warning;
    run.Image.assign(image.Bytes.begin(), image.Bytes.begin() + std::max<int32_t>(0, run.Chip.Size));
    run.Sha256 = Sha256Hex(run.Image);
  } else if (!o.Args.empty()) {
    throw TCliError{kExitUsage, std::string("usage: tesmaro-cli --chip NAME ") + run.Operation};
  }
  // The comparisons leave out --ignore's ranges and, for verify, the --serial field.
  run.Ignored = IgnoredRanges(o, static_cast<uint64_t>(std::max(run.Chip.Size, 0)), o.Command == "verify");
  if (auto it = o.Flags.find("log"); it != o.Flags.end()) run.Log = it->second;
  run.Checks = CheckOptionsFrom(o);
  if (o.Command != "write") return;
  auto serial = o.Flags.find("serial");
  if (o.Flags.count("serial-file") && serial == o.Flags.end())
    throw TCliError{kExitUsage, "--serial-file needs --serial"};
  if (serial == o.Flags.end()) return;
  TSerialSpec layout;
  std::string error;
  if (!ParseSerialSpec(serial->second, layout, error)) throw TCliError{kExitUsage, error};
  if (!SerialFieldFits(layout, run.Chip.Size))
    throw TCliError{kExitUsage, "the serial field " + Hex(layout.Address) + "-" +
                                    Hex(uint64_t{layout.Address} + layout.Width - 1) + " does not fit in chip " +
                                    run.Chip.Name + " of " + std::to_string(run.Chip.Size) + " bytes"};
  run.Serial = layout;
  auto file = o.Flags.find("serial-file");
  run.Pool = std::make_unique<TSerialPool>(layout, file == o.Flags.end() ? "" : file->second);
  uint64_t first = 0;
  if (!run.Pool->Peek(first))
    throw TCliError{kExitUsage,
                    "serial number " + std::to_string(run.Pool->NextNew()) + " does not fit in " + UnitsOf(layout)};
}

// The log and the serial file can be written: checked before any chip is touched, so that no chip
// is programmed whose record would be lost.
void CheckOutputs(const TStationJob& run, TUserInterface& ui) {
  bool torn = false;
  try {
    if (!run.Log.empty()) torn = CheckLogWritable(run.Log);
    if (run.Pool) run.Pool->CheckWritable();
  } catch (const TError& e) {
    throw TCliError{kExitFile, std::string(e.what()) + "; no chip was touched"};
  }
  // The next line is written on a line of its own (AppendLogLine); the operator hears of it.
  if (torn) std::cerr << "tesmaro-cli: " << FormatText(ui.MessageText("LogRepaired"), {run.Log}) << std::endl;
}

// A station's chip whose record could not be written: what happened to it, for the operator.
std::string RecordFailureText(const TStation& s, TUserInterface& ui) {
  const std::string who = s.Node + (s.Serial.empty() ? "" : " (" + s.Serial + ")");
  const std::string outcome = JobResultName(s.Outcome.Result);
  if (s.SerialNumber && s.SerialFileFailed && s.Outcome.Result == TJobResult::Ok)
    return FormatText(ui.MessageText("SerialNotUpdated"), {who, std::to_string(*s.SerialNumber), s.Failure});
  if (s.SerialNumber)
    return FormatText(ui.MessageText("RecordFailedSerial"), {who, outcome, std::to_string(*s.SerialNumber), s.Failure});
  return FormatText(ui.MessageText("RecordFailed"), {who, outcome, s.Failure});
}

// Numbers that a station which ended early left on chips with no recorded result, as the serial
// file's steps find them.
void ReportUnknownNumbers(TStationJob& run, TUserInterface& ui) {
  if (!run.Pool) return;
  const std::vector<uint64_t> unknown = run.Pool->TakeFoundUnknown();
  if (unknown.empty()) return;
  std::string numbers;
  for (uint64_t n : unknown) numbers += (numbers.empty() ? "" : ", ") + std::to_string(n);
  std::cerr << "tesmaro-cli: " << FormatText(ui.MessageText("SerialUnknown"), {numbers, run.Pool->File()}) << std::endl;
}

enum class TRepeatAnswer { Next, Stop, Unknown };

// The operator's answer between two chips: Enter (an empty line) runs the next chip; q, quit, exit
// and stop in any letter case end the batch; anything else programs nothing and asks again.
TRepeatAnswer RepeatAnswerOf(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (line.empty()) return TRepeatAnswer::Next;
  const size_t first = line.find_first_not_of(" \t"), last = line.find_last_not_of(" \t");
  std::string word = first == std::string::npos ? "" : line.substr(first, last - first + 1);
  for (char& c : word) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  for (const char* stop : {"q", "quit", "exit", "stop"})
    if (word == stop) return TRepeatAnswer::Stop;
  return TRepeatAnswer::Unknown;
}

// Asks the operator for the next chip: true to run it, false to end the batch.
bool AskForNextChip(TUserInterface& ui) {
  TRepeatAnswer answer = TRepeatAnswer::Unknown;
  while (answer == TRepeatAnswer::Unknown) {
    std::cerr << ui.MessageText("NextChipPrompt") << std::endl;
    std::string line;
    answer = ReadLineUnlessStopped(line) ? RepeatAnswerOf(line) : TRepeatAnswer::Stop;
  }
  return answer == TRepeatAnswer::Next;
}

// The chosen programmer, or with --all-devices every connected one, each claimed by its station.
std::vector<TStation> Stations(const TCliOptions& o, TProgrammerSession& session, TUserInterface& ui) {
  std::vector<THidDevice*> devices = session.Connected();
  if (!o.AllDevices) {
    THidDevice* d = ChooseProgrammer(devices, o.Device);
    devices.assign(d ? 1 : 0, d);
  }
  std::vector<TStation> out;
  for (THidDevice* d : devices) {
    TStation s;
    s.Own = std::make_unique<TProgrammer>(session.Controller());
    s.Programmer = s.Own.get();
    if (!session.Controller().Claim(s.Programmer->HeldDevice, *d)) continue;
    StationClaimed(s);
    out.push_back(std::move(s));
  }
  if (out.empty()) throw TCliError{kExitProgrammer, ui.MessageText("ProgNotFound")};
  return out;
}

int Devices(TCliOptions& o) {
  if (!o.Args.empty()) throw TCliError{kExitUsage, "usage: tesmaro-cli devices"};
  TConsoleUserInterface ui;
  TProgrammerSession session(o, ui, TSessionClaim::None);
  const std::vector<THidDevice*> all = session.Connected();
  if (all.empty() && !TConsoleUserInterface::Json) std::cerr << ui.MessageText("NoProgrammerFound") << "\n";
  std::string json;
  for (THidDevice* d : all) {
    TProgrammer p(session.Controller());
    std::string firmware;
    if (session.Controller().Claim(p.HeldDevice, *d) && GetVersionInfo(p, ui, false))
      firmware = std::to_string(p.Major) + "." + std::to_string(p.Minor);
    if (!TConsoleUserInterface::Json) {
      std::cout << ProgrammerListText({d}).substr(2) << "  firmware " << (firmware.empty() ? "?" : firmware) << "\n";
      continue;
    }
    json += std::string(json.empty() ? "" : ",") + "{\"node\":" + JsonString(d->DevicePath()) +
            ",\"serial\":" + JsonString(d->SerialNumber()) + ",\"bus\":" + JsonString(d->BusPath()) +
            ",\"firmware\":" + (firmware.empty() ? "null" : JsonString(firmware)) + "}";
  }
  if (TConsoleUserInterface::Json) std::cout << "{\"programmers\":[" << json << "]}" << std::endl;
  return kExitOk;
}

}  // namespace

bool IsProductionCommand(const std::string& name) { return OperationNamed(name) != nullptr; }

bool IsProductionRun(const TCliOptions& o) {
  // verify --serial only leaves the field out of the comparison: a plain verify.
  return o.AllDevices || (o.Command == "write" && o.Flags.count("serial")) || o.Flags.count("serial-file") ||
         o.Flags.count("log") || o.Flags.count("repeat");
}

int RunProduction(TCliOptions& o) {
  const TProductionOperation* op = OperationNamed(o.Command);
  if (!op || !op->Run) throw TCliError{kExitUsage, "--all-devices, --log and --repeat do not work with " + o.Command};
  // Erasing many chips is never a slip of the keyboard: it takes --yes, as a single erase does.
  if (o.Command == "erase" && !o.Flags.count("yes")) throw TCliError{kExitUsage, "not erased: confirm with --yes"};
  TStationJob run;
  run.Operation = op->Name;
  run.Run = op->Run;
  run.TakesImage = op->TakesImage;
  if (o.AllDevices && !o.Device.empty()) throw TCliError{kExitUsage, "--device and --all-devices exclude each other"};
  if (TConsoleUserInterface::Json) throw TCliError{kExitUsage, "--json does not work with production runs"};
  LoadRun(o, run);
  TConsoleUserInterface ui;
  CheckOutputs(run, ui);
  // Before the session and the stations' threads: they all keep the two signals blocked.
  TStopOnSignals stop;
  run.StopRequested = [] { return TStopOnSignals::Requested(); };
  TProgrammerSession session(o, ui, TSessionClaim::None);
  std::vector<TStation> stations = Stations(o, session, ui);
  TProgressBoard progress(stations.size(), !TConsoleUserInterface::Quiet && TProgressBoard::Terminal());
  for (size_t i = 0; i < stations.size(); ++i) {
    progress.SetLine(i, stations[i].Node, static_cast<uint64_t>(std::max(run.Chip.Size, 0)));
    stations[i].OnProgress = [&progress, i](int position) { progress.Update(i, position); };
  }

  const bool repeat = o.Flags.count("repeat") != 0;
  int worst = kExitOk;
  unsigned ok = 0, failed = 0;
  for (bool first = true;; first = false) {
    std::string gone;
    if (!first) {
      session.PollChanges();
      FindUnpluggedAgain(session.Controller(), session.Connected(), stations);
      for (const auto& s : stations)
        if (!s.Programmer->HeldDevice) gone += (gone.empty() ? "" : ", ") + s.Node;
    }
    if (stop.Requested()) break;
    if (!gone.empty()) {
      // No number is taken and no chip counted for a programmer that is not there.
      std::cerr << "tesmaro-cli: " << FormatText(ui.MessageText("ProgrammerGone"), {gone}) << std::endl;
      if (!AskForNextChip(ui)) break;
      continue;
    }
    try {
      const bool taken = TakeSerialNumbers(run, stations);
      ReportUnknownNumbers(run, ui);
      if (!taken)
        throw TCliError{kExitUsage, "the next serial number does not fit in " + UnitsOf(*run.Serial) +
                                        "; no further chip was written"};
    } catch (const TError& e) {
      ReportUnknownNumbers(run, ui);
      throw TCliError{kExitFile, std::string(e.what()) + "; no further chip was written"};
    }
    RunStations(run, stations);
    progress.Finish();
    ReportUnknownNumbers(run, ui);
    unsigned roundOk = 0;
    bool recordFailed = false;
    for (const auto& s : stations) {
      std::cout << ResultLine(s) << "\n";
      for (const auto& w : s.Outcome.Warnings)
        std::cerr << "tesmaro-cli: warning: " << s.Node << ": " << TConsoleUserInterface::PlainLines(w) << "\n";
      if (s.RecordFailed) {
        std::cerr << "tesmaro-cli: " << RecordFailureText(s, ui) << std::endl;
        recordFailed = true;
      }
      const int code = ExitCodeOf(s, o);
      if (code == kExitOk) ++roundOk;
      // A difference outweighs a warning, a programmer fault a difference; a file error all.
      if (Weight(code) > Weight(worst)) worst = code;
    }
    ok += roundOk;
    failed += static_cast<unsigned>(stations.size()) - roundOk;
    if (stations.size() > 1)
      std::cout << stations.size() << " programmers: " << roundOk << " ok, " << stations.size() - roundOk
                << " failed\n";
    std::cout << std::flush;
    // What was done can no longer be recorded: no further chip.
    if (recordFailed) {
      worst = kExitFile;
      break;
    }
    if (!repeat || stop.Requested() || !AskForNextChip(ui)) break;
  }
  if (repeat) std::cout << "chips: " << ok << " ok, " << failed << " failed\n";
  if (stop.Requested()) return TStopOnSignals::ExitCode();
  return worst;
}

void AddProductionCommands(std::vector<TCliCommand>& out) {
  out.push_back({"devices",
                 "devices",
                 "list the connected programmers: node, serial number, bus path, firmware (--json)",
                 {},
                 {"json"},
                 Devices});
}

void AddProductionFlags(TCliCommand& command) {
  command.ValueFlags.emplace_back("log");
  command.SwitchFlags.emplace_back("repeat");
  const std::string name = command.Name;
  if (name == "write" || name == "verify") command.ValueFlags.emplace_back("serial");
  if (name == "write") command.ValueFlags.emplace_back("serial-file");
}
