// tesmaro-cli: the programmer's commands without a window, on the same logic as the program.
#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>

#include "catalogue/catalogue.h"
#include "cli/check_options.h"
#include "cli/cli_help.h"
#include "cli/cli_parser.h"
#include "cli/commands.h"
#include "cli/commands_production.h"
#include "cli/console_user_interface.h"
#include "common/error.h"
#include "imagefile/file_errors.h"

namespace {

const char* const kVersion = "tesmaro-cli 0.1.0";

}  // namespace

TChip RequireChip(const TCliOptions& o) {
  if (o.Chip.empty()) throw TCliError{kExitUsage, "this command needs a chip: --chip NAME"};
  // A catalogue that cannot be read is the file's fault, not the chip's.
  std::error_code ec;
  if (std::filesystem::is_directory(o.Catalogue, ec))
    throw TCliError{kExitFile, "the catalogue " + o.Catalogue + " is a folder, not a file"};
  if (!std::filesystem::exists(o.Catalogue, ec))
    throw TCliError{kExitFile, "cannot read the catalogue " + o.Catalogue + ": " + SystemErrorText(ENOENT)};
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

namespace {

int RunCommandLine(int argc, char** argv) {
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

// Whatever a command printed reaches standard output only if its last flush and close succeed: a
// full disk or a closed output is an error, never a silent success.
int CheckStandardOutput(int code) {
  std::cout.flush();
  int error = 0;
  if (std::fflush(stdout) != 0) error = errno;
  const bool failed = error != 0 || std::ferror(stdout) || std::cout.bad();
  if (std::fclose(stdout) != 0 && !error) error = errno;
  if (!failed && !error) return code;
  // A write that failed earlier (a flush of its own) leaves no errno behind.
  std::cerr << "tesmaro-cli: cannot write to standard output: " << SystemErrorText(error ? error : EIO) << "\n";
  // The result the command printed is lost; an error it reported on standard error stands.
  return code == kExitOk || code == kExitDifferent || code == kExitWarning ? kExitFile : code;
}

}  // namespace

int main(int argc, char** argv) { return CheckStandardOutput(RunCommandLine(argc, argv)); }
