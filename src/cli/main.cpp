// tesmaro-cli: the programmer's commands without a window, on the same logic as the program.
#include <exception>
#include <iostream>

#include "catalogue/catalogue.h"
#include "cli/check_options.h"
#include "cli/cli_help.h"
#include "cli/cli_parser.h"
#include "cli/commands.h"
#include "cli/commands_production.h"
#include "cli/console_user_interface.h"
#include "common/error.h"

namespace {

const char* const kVersion = "tesmaro-cli 0.1.0";

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
    AddBackupCommands(c);
    AddFirmwareCommands(c);
    AddProductionCommands(c);
    for (auto& command : c) {
      if (IsProductionCommand(command.Name)) AddProductionFlags(command);
      AddCheckFlags(command);
    }
    return c;
  }();
  return commands;
}

int main(int argc, char** argv) {
  try {
    TCliOptions o = ParseCommandLine(argc, argv);
    if (o.Help) {
      for (const auto& c : CliCommands())
        if (o.Command == c.Name) {
          std::cout << CommandHelp(c);
          return kExitOk;
        }
      std::cout << ProgramHelp();
      return kExitOk;
    }
    if (o.ProgramVersion) {
      std::cout << kVersion << "\n";
      return kExitOk;
    }
    if (o.Command.empty()) {
      std::cerr << ProgramHelp();
      return kExitUsage;
    }
    TConsoleUserInterface::Quiet = o.Quiet;
    TConsoleUserInterface::Verbose = o.Verbose;
    TConsoleUserInterface::Json = o.Flags.count("json") > 0;
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
