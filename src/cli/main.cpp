// tesmaro-cli: the programmer's commands without a window, on the same logic as the program.
#include <exception>
#include <iostream>

#include "catalogue/catalogue.h"
#include "cli/commands.h"
#include "cli/commands_production.h"
#include "common/error.h"
#include "common/paths.h"

namespace {

const char* const kVersion = "tesmaro-cli 0.1.0";

void PrintHelp() {
  std::cout << "Usage: tesmaro-cli [--catalogue FILE] [--chip NAME] [--simulate[=IMAGE]] COMMAND [ARGS]\n\n"
               "Options:\n"
               "  --catalogue FILE   chip catalogue (default: see.ini of the program's data folder,\n"
               "                     then the user's own ~/.config/tesmaro/see.ini)\n"
               "  --chip NAME        the chip, looked up in the catalogue\n"
               "  --simulate[=IMAGE] use the simulated programmer; IMAGE holds the simulated chip;\n"
               "                     given N times, N simulated programmers (serial SIM0001...)\n"
               "  --device NODE|SERIAL|PATH  the programmer to use when several are connected\n"
               "  --all-devices      write, verify, erase, blank-check: every programmer at once\n"
            << SimulationOptionsHelp()
            << "                     with several --simulate: a --sim-fault belongs to the one before it\n"
               "  --verbose          say more on standard error (the simulated chip's seed)\n"
               "  --help, --version\n\n"
               "Production options (write, verify, erase, blank-check):\n"
               "  --serial ADDR:START[:STEP[:WIDTH[:FORMAT]]]  write: stamp a serial number at ADDR;\n"
               "                     STEP 1, WIDTH 4 by default; FORMAT le, be, ascii or bcd (le)\n"
               "  --serial-file FILE the next serial number, kept across runs (written after each good chip)\n"
               "  --log FILE         append one JSON line per chip and programmer\n"
               "  --repeat           one chip after another: Enter for the next, q or end of input to stop\n"
               "  Ctrl-C or SIGTERM ends every programmer's operation after its current exchange\n"
               "  (exit 130 / 143): the chip closed, the log line \"stopped\", the serial number given back\n\n"
               "Commands:\n";
  for (const auto& c : CliCommands()) {
    std::string u = c.Usage;
    std::cout << "  " << u << std::string(u.size() < 26 ? 26 - u.size() : 1, ' ') << c.Summary << "\n";
  }
  std::cout << "\nImage formats: .hex .ihx .ihex Intel HEX; .s19 .s28 .s37 .srec .mot .s Motorola S-records;\n"
               "anything else binary. --offset ADDR (such as 0x810000) is subtracted from every address of\n"
               "an Intel HEX or S-record file; binary images have no addresses and always load at 0.\n"
               "\nExit codes: 0 success (compare: the images are the same), 1 difference found (compare,\n"
               "verify, write, erase: the chip differs; blank-check: the chip is not blank; catalogue-check:\n"
               "problems found), 2 usage error or unusable chip (also erase declined: no --yes and no\n"
               "terminal to ask on), 3 file or data error, 4 programmer not found, not answering or\n"
               "unplugged, 5 no permission to use the programmer, 6 programmer in use by another program,\n"
               "130 / 143 stopped by SIGINT / SIGTERM (chip closed, no output file).\n";
}

bool Contains(const std::vector<std::string>& v, const std::string& s) {
  for (const auto& x : v)
    if (x == s) return true;
  return false;
}

TCliOptions Parse(int argc, char** argv) {
  TCliOptions o;
  o.Catalogue = DataFolderFor(FolderPart(ExecutablePath())) + kCatalogueFileName;
  o.UserCatalogue = UserCatalogueFile();
  const TCliCommand* command = nullptr;
  for (int i = 1; i < argc; ++i) {
    std::string a = argv[i];
    if (a.size() > 2 && a.rfind("--", 0) == 0) {
      std::string name = a.substr(2), value;
      bool hasValue = false;
      if (auto eq = name.find('='); eq != std::string::npos) {
        value = name.substr(eq + 1);
        name = name.substr(0, eq);
        hasValue = true;
      }
      auto takeValue = [&]() -> std::string {
        if (hasValue) return value;
        if (i + 1 >= argc) throw TCliError{kExitUsage, "option --" + name + " needs a value"};
        return argv[++i];
      };
      if (name == "catalogue") {
        // A catalogue named on the command line is exactly that file.
        o.Catalogue = takeValue();
        o.UserCatalogue.clear();
      } else if (name == "chip")
        o.Chip = takeValue();
      else if (name == "simulate") {
        if (!o.Simulate) o.SimulateImage = hasValue ? value : "";
        o.Simulate = true;
        o.SimulateImages.push_back(hasValue ? value : "");
      } else if (name.rfind("sim-", 0) == 0) {
        try {
          if (!TakeSimulationOption(name, takeValue(), o.Simulation))
            throw TCliError{kExitUsage, "unknown option --" + name};
        } catch (const TError& e) {
          throw TCliError{kExitUsage, e.what()};
        }
        while (o.SimulateFaultOwners.size() < o.Simulation.Faults.size())
          o.SimulateFaultOwners.push_back(o.SimulateImages.empty() ? 0 : o.SimulateImages.size() - 1);
      } else if (name == "verbose" && !hasValue)
        o.Verbose = true;
      else if (name == "device")
        o.Device = takeValue();
      else if (name == "all-devices" && !hasValue)
        o.AllDevices = true;
      else if (name == "help")
        o.Command = "help";
      else if (name == "version")
        o.Command = o.Command.empty() ? "--version" : o.Command;
      else if (command && Contains(command->ValueFlags, name))
        o.Flags[name] = takeValue();
      else if (command && Contains(command->SwitchFlags, name) && !hasValue)
        o.Flags[name] = "";
      else
        throw TCliError{kExitUsage, "unknown option --" + name};
      continue;
    }
    if (!command && o.Command != "help") {
      for (const auto& c : CliCommands())
        if (a == c.Name) command = &c;
      if (!command) throw TCliError{kExitUsage, "unknown command '" + a + "' (see --help)"};
      o.Command = a;
      continue;
    }
    o.Args.push_back(a);
  }
  return o;
}

}  // namespace

TChip RequireChip(const TCliOptions& o) {
  if (o.Chip.empty()) throw TCliError{kExitUsage, "this command needs a chip: --chip NAME"};
  TChip chip;
  if (!LoadChip(TCatalogue(o.CatalogueFiles()), o.Chip, chip))
    throw TCliError{kExitUsage, "chip '" + o.Chip + "' is not in the catalogue " + o.Catalogue};
  return chip;
}

const std::vector<TCliCommand>& CliCommands() {
  static const std::vector<TCliCommand> commands = [] {
    std::vector<TCliCommand> c;
    AddCatalogueCommands(c);
    AddImageFileCommands(c);
    AddProgrammerCommands(c);
    AddChipCommands(c);
    AddFirmwareCommands(c);
    AddProductionCommands(c);
    for (auto& command : c)
      if (IsProductionCommand(command.Name)) AddProductionFlags(command);
    return c;
  }();
  return commands;
}

int main(int argc, char** argv) {
  try {
    TCliOptions o = Parse(argc, argv);
    if (o.Command == "help" || o.Command.empty()) {
      PrintHelp();
      return o.Command.empty() ? kExitUsage : kExitOk;
    }
    if (o.Command == "--version") {
      std::cout << kVersion << "\n";
      return kExitOk;
    }
    if (o.AllDevices && !IsProductionCommand(o.Command))
      throw TCliError{kExitUsage, "--all-devices works with write, verify, erase and blank-check only"};
    if (IsProductionCommand(o.Command) && IsProductionRun(o)) return RunProduction(o);
    for (const auto& c : CliCommands())
      if (o.Command == c.Name) return c.Run(o);
    return kExitUsage;
  } catch (const TCliError& e) {
    std::cerr << "tesmaro-cli: " << e.Text << "\n";
    return e.Code;
  } catch (const std::exception& e) {
    std::cerr << "tesmaro-cli: " << e.what() << "\n";
    return kExitFile;
  }
}
