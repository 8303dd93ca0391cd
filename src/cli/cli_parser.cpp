#include "cli/cli_parser.h"

#include <algorithm>

#include "cli/commands.h"
#include "common/error.h"
#include "common/paths.h"
#include "simulator/simulation.h"

namespace {

void TakeCatalogue(TCliOptions& o, const std::string& value, bool) {
  // A catalogue named on the command line is exactly that file.
  o.Catalogue = value;
  o.UserCatalogue.clear();
}
void TakeChip(TCliOptions& o, const std::string& value, bool) { o.Chip = value; }
void TakeSimulate(TCliOptions& o, const std::string& value, bool hasValue) {
  if (!o.Simulate) o.SimulateImage = hasValue ? value : "";
  o.Simulate = true;
  o.SimulateImages.push_back(hasValue ? value : "");
}
void TakeDevice(TCliOptions& o, const std::string& value, bool) { o.Device = value; }
void TakeAllDevices(TCliOptions& o, const std::string&, bool) { o.AllDevices = true; }
void TakeVerbose(TCliOptions& o, const std::string&, bool) { o.Verbose = true; }
void TakeQuiet(TCliOptions& o, const std::string&, bool) { o.Quiet = true; }
void TakeHelp(TCliOptions& o, const std::string&, bool) { o.Help = true; }
void TakeVersion(TCliOptions& o, const std::string&, bool) { o.ProgramVersion = true; }

constexpr auto None = TOptionValue::None;
constexpr auto Required = TOptionValue::Required;
constexpr auto Optional = TOptionValue::Optional;

}  // namespace

const std::vector<TCliOptionRow>& CliOptionRows() {
  // clang-format off
  static const std::vector<TCliOptionRow> rows = {
      // Global options: every command takes them, before or after its name.
      {"catalogue", "FILE", Required, true, false,
       "chip catalogue (default: see.ini of the program's data folder, then the user's own "
       "~/.config/tesmaro/see.ini)", TakeCatalogue},
      {"chip", "NAME", Required, true, false, "the chip, looked up in the catalogue", TakeChip},
      {"simulate", "[=IMAGE]", Optional, true, false,
       "use the simulated programmer; IMAGE holds the simulated chip; given N times, N simulated "
       "programmers (serial SIM0001...)", TakeSimulate},
      {"device", "NODE|SERIAL|PATH", Required, true, false,
       "the programmer to use when several are connected", TakeDevice},
      {"all-devices", "", None, true, false, "write, verify, erase, blank-check: every programmer at once",
       TakeAllDevices},
      {"verbose", "", None, true, false, "say more on standard error (programmer, chip, timing, seed) (also -v)",
       TakeVerbose},
      {"quiet", "", None, true, false, "errors only: no progress and no messages (data still print) (also -q)",
       TakeQuiet},
      {"help", "", None, true, false, "this help; with a command: the command's help (also -h)", TakeHelp},
      {"version", "", None, true, false, "the version of tesmaro-cli (also -V)", TakeVersion},
      // Options of some commands (see each command's help).
      {"format", "hex|srec|bin", Required, false, false,
       "the image's format; without it the extension (output) or the content (input) decides", nullptr},
      {"in-format", "hex|srec|bin", Required, false, false, "convert: the input's format", nullptr},
      {"out-format", "hex|srec|bin", Required, false, false, "convert: the output's format", nullptr},
      {"offset", "ADDR", Required, false, false,
       "subtract ADDR from every address of an Intel HEX or S-record file", nullptr},
      {"ignore", "ADDR:LEN", Required, false, true,
       "leave LEN bytes from ADDR out of the comparison; repeatable", nullptr},
      {"yes", "", None, false, false, "do not ask: the answer is yes", nullptr},
      {"cut", "", None, false, false,
       "an image larger than the chip: keep the chip's part and say what was left out (else an error)",
       nullptr},
      {"key", "HEX", Required, false, false, "another update key", nullptr},
      {"json", "", None, false, false, "print one JSON document on standard output", nullptr},
      {"serial", "ADDR:START[:STEP[:WIDTH[:FORMAT]]]", Required, false, false,
       "write: stamp a serial number at ADDR (STEP 1, WIDTH 4, FORMAT le, be, ascii or bcd); "
       "verify: leave that field out of the comparison", nullptr},
      {"serial-file", "FILE", Required, false, false,
       "the next serial number, kept across runs and shared by stations (locked while a number is taken)",
       nullptr},
      {"log", "FILE", Required, false, false, "append one JSON line per chip and programmer", nullptr},
      {"repeat", "", None, false, false,
       "one chip after another: Enter for the next; q, quit, exit, stop or end of input to stop", nullptr},
      {"reads", "N", Required, false, false,
       "read, verify, write, erase: read the chip N times (2 to 9) and compare the reads; where they differ "
       "the command fails with exit 7 (read writes no file)", nullptr},
      {"majority", "", None, false, false,
       "with --reads: where the reads differ, read those blocks again (up to 9 reads) and keep the values the reads "
       "decide; exit 7 where bytes stay undecided", nullptr},
      {"strict", "", None, false, false, "exit 7 where a warning was shown (a read that looks wrong)", nullptr},
      {"backup", "DIR", Required, false, false, "write, erase: read the chip first and keep its contents in DIR",
       nullptr},
      {"no-backup", "", None, false, false, "write, erase: keep no backup, even with --backup", nullptr},
  };
  // clang-format on
  return rows;
}

const TCliOptionRow* FindOptionRow(const std::string& name) {
  for (const auto& row : CliOptionRows())
    if (name == row.Name) return &row;
  return nullptr;
}

namespace {

bool Lists(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

// How an option without a row takes its value: as the command (or, before the command is known,
// any command) lists it. False when no command knows it.
bool ValueKindFromCommands(const std::string& name, const TCliCommand* command, TOptionValue& kind) {
  for (const auto& c : CliCommands()) {
    if (command && &c != command) continue;
    if (Lists(c.ValueFlags, name)) {
      kind = TOptionValue::Required;
      return true;
    }
    if (Lists(c.SwitchFlags, name)) {
      kind = TOptionValue::None;
      return true;
    }
  }
  return false;
}

const TCliCommand* CommandNamed(const std::string& name) {
  for (const auto& c : CliCommands())
    if (name == c.Name) return &c;
  return nullptr;
}

TCliError Unknown(const std::string& option) { return {kExitUsage, "unknown option " + option + " (see --help)"}; }

}  // namespace

TCliOptions ParseCommandLine(int argc, const char* const* argv) {
  TCliOptions o;
  o.Catalogue = DataFolderFor(FolderPart(ExecutablePath())) + kCatalogueFileName;
  o.UserCatalogue = UserCatalogueFile();
  struct TGiven {
    std::string Name, Value;
  };
  std::vector<TGiven> given;  // options of the command, checked once the command is known
  const TCliCommand* command = nullptr;
  bool helpWord = false;    // "help" stood where the command goes
  bool optionsEnd = false;  // after "--" every argument is positional
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (!optionsEnd && a == "--") {
      optionsEnd = true;
      continue;
    }
    // The short forms: -h help, -V version, -q quiet, -v verbose.
    if (!optionsEnd && a.size() == 2 && a[0] == '-') {
      if (const TCliOptionRow* row = a[1] == 'h'   ? FindOptionRow("help")
                                     : a[1] == 'V' ? FindOptionRow("version")
                                     : a[1] == 'q' ? FindOptionRow("quiet")
                                     : a[1] == 'v' ? FindOptionRow("verbose")
                                                   : nullptr) {
        row->Take(o, "", false);
        continue;
      }
    }
    if (!optionsEnd && a.size() > 2 && a.rfind("--", 0) == 0) {
      std::string name = a.substr(2), value;
      bool hasValue = false;
      if (auto eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        hasValue = true;
      }
      auto takeValue = [&] {
        if (!hasValue) {
          if (i + 1 >= argc) throw TCliError{kExitUsage, "option --" + name + " needs a value"};
          value = argv[++i];
          hasValue = true;
        }
        // An empty value is most often a shell variable that was not set: never "no file".
        if (value.empty()) throw TCliError{kExitUsage, "option --" + name + " needs a value: it was given empty"};
      };
      if (name.rfind("sim-", 0) == 0) {
        takeValue();
        try {
          if (!TakeSimulationOption(name, value, o.Simulation)) throw Unknown("--" + name);
        } catch (const TError& e) {
          throw TCliError{kExitUsage, e.what()};
        }
        // A fault belongs to the --simulate before it (the first one when none came yet).
        while (o.SimulateFaultOwners.size() < o.Simulation.Faults.size())
          o.SimulateFaultOwners.push_back(o.SimulateImages.empty() ? 0 : o.SimulateImages.size() - 1);
        continue;
      }
      const TCliOptionRow* row = FindOptionRow(name);
      TOptionValue kind = TOptionValue::None;
      if (row)
        kind = row->Value;
      else if (!ValueKindFromCommands(name, command, kind) && !ValueKindFromCommands(name, nullptr, kind))
        throw Unknown("--" + name);
      if (kind == TOptionValue::None && hasValue) throw TCliError{kExitUsage, "option --" + name + " takes no value"};
      if (kind == TOptionValue::Required || (kind == TOptionValue::Optional && hasValue)) takeValue();
      if (row && row->Take)
        row->Take(o, value, hasValue);
      else
        given.push_back({name, value});
      continue;
    }
    if (!optionsEnd && a.size() > 1 && a[0] == '-') throw Unknown(a);
    if (!command && a == "help") {
      // "help help" asks for the program's help, as "help" alone does.
      if (helpWord) continue;
      helpWord = true;
      o.Help = true;
      continue;
    }
    if (!command) {
      command = CommandNamed(a);
      if (!command) throw TCliError{kExitUsage, "unknown command '" + a + "' (see --help)"};
      continue;
    }
    o.Args.push_back(a);
  }
  if (command) o.Command = command->Name;
  if (o.Help) return o;  // the help is printed whatever else was given
  for (const auto& g : given) {
    if (command && (Lists(command->ValueFlags, g.Name) || Lists(command->SwitchFlags, g.Name))) {
      o.Flags[g.Name] = g.Value;
      const TCliOptionRow* row = FindOptionRow(g.Name);
      if (row && row->Repeatable)
        o.Lists[g.Name].push_back(g.Value);
      else if (o.Lists.count(g.Name) == 0)
        o.Lists[g.Name] = {g.Value};
      else
        throw TCliError{kExitUsage, "option --" + g.Name + " is given twice"};
      continue;
    }
    throw TCliError{kExitUsage, "unknown option --" + g.Name +
                                    (command ? " for " + o.Command + " (see tesmaro-cli help " + o.Command + ")"
                                             : std::string(" without a command"))};
  }
  if (o.Quiet && o.Verbose) throw TCliError{kExitUsage, "--quiet and --verbose exclude each other"};
  return o;
}
