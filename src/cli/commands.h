// The commands of tesmaro-cli. Each takes the parsed options and returns an exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "catalogue/chip.h"
#include "cli/cli_options.h"

struct TCliCommand {
  const char* Name;
  const char* Usage;                     // "read OUT"
  std::string Summary;                   // one line for --help
  std::vector<std::string> ValueFlags;   // options of this command that take a value
  std::vector<std::string> SwitchFlags;  // options of this command without a value
  std::function<int(TCliOptions&)> Run;
};

// Every command, in the order --help lists them.
const std::vector<TCliCommand>& CliCommands();

// The chip named by --chip, looked up in the catalogue; TCliError (usage) when absent.
TChip RequireChip(const TCliOptions& o);

// Each subsystem's commands, gathered by CliCommands().
void AddCatalogueCommands(std::vector<TCliCommand>& out);
void AddImageFileCommands(std::vector<TCliCommand>& out);
void AddProgrammerCommands(std::vector<TCliCommand>& out);
void AddFirmwareCommands(std::vector<TCliCommand>& out);
void AddChipCommands(std::vector<TCliCommand>& out);
void AddBackupCommands(std::vector<TCliCommand>& out);
