// Catalogue commands: info, chips.
#include <fstream>
#include <iostream>

#include "catalogue/supported_chips.h"
#include "cli/commands.h"
#include "cli/console_user_interface.h"

namespace {

int Info(TCliOptions& o) {
  TChip c = RequireChip(o);
  std::cout << "Family=" << c.Family << "\nChipType=" << c.ChipType << "\nName=" << c.Name
            << "\nSize=" << c.Size << "\nPageSize=" << c.PageSize << "\nOrg=" << c.Org
            << "\nJumper=" << c.Jumper << "\nStatus=" << c.Status << "\n";
  return kExitOk;
}

// The supported-chips report with plain newlines. The program shows an empty report for a
// missing catalogue; on the command line a wrong --catalogue is more likely, so it is an error.
int Chips(TCliOptions& o) {
  if (!std::ifstream(o.Catalogue, std::ios::binary).is_open())
    throw TCliError{kExitFile, "cannot read the catalogue " + o.Catalogue};
  TConsoleUserInterface ui;
  ui.ShowMessage(SupportedChipsReport(o.Catalogue, ui.MessageText("SuppChips"), ui.MessageText("NotSuppChips")));
  return kExitOk;
}

}  // namespace

void AddCatalogueCommands(std::vector<TCliCommand>& out) {
  out.push_back({"info", "info", "print the record of the chip given with --chip", {}, {}, Info});
  out.push_back({"chips", "chips", "print every chip of the catalogue, unsupported ones marked *", {}, {}, Chips});
}
