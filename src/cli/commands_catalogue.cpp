// Catalogue commands: info.
#include <iostream>

#include "cli/commands.h"

namespace {

int Info(TCliOptions& o) {
  TChip c = RequireChip(o);
  std::cout << "Family=" << c.Family << "\nChipType=" << c.ChipType << "\nName=" << c.Name
            << "\nSize=" << c.Size << "\nPageSize=" << c.PageSize << "\nOrg=" << c.Org
            << "\nJumper=" << c.Jumper << "\nStatus=" << c.Status << "\n";
  return kExitOk;
}

}  // namespace

void AddCatalogueCommands(std::vector<TCliCommand>& out) {
  out.push_back({"info", "info", "print the record of the chip given with --chip", {}, {}, Info});
}
