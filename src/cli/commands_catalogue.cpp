// Catalogue commands: info, chips, catalogue-check.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "catalogue/catalogue.h"
#include "catalogue/catalogue_check.h"
#include "catalogue/supported_chips.h"
#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "common/error.h"
#include "production/production_log.h"

namespace {

bool EqualsNoCase(const std::string& a, const char* b) {
  return std::equal(a.begin(), a.end(), b, b + std::strlen(b),
                    [](char x, char y) { return std::tolower(static_cast<unsigned char>(x)) == y; });
}

// A chip record as a JSON object.
std::string ChipJson(const TChip& c) {
  return "{\"family\":" + JsonString(c.Family) + ",\"type\":" + std::to_string(c.ChipType) +
         ",\"name\":" + JsonString(c.Name) + ",\"size\":" + std::to_string(c.Size) +
         ",\"page_size\":" + std::to_string(c.PageSize) + ",\"org\":" + std::to_string(c.Org) +
         ",\"jumper\":" + std::to_string(c.Jumper) + ",\"status\":" + std::to_string(c.Status) +
         ",\"supported\":" + (c.Status == 1 ? "true" : "false") + "}";
}

int Info(TCliOptions& o) {
  TChip c = RequireChip(o);
  if (TConsoleUserInterface::Json) {
    std::cout << ChipJson(c) << std::endl;
    return kExitOk;
  }
  std::cout << "Family=" << c.Family << "\nChipType=" << c.ChipType << "\nName=" << c.Name << "\nSize=" << c.Size
            << "\nPageSize=" << c.PageSize << "\nOrg=" << c.Org << "\nJumper=" << c.Jumper << "\nStatus=" << c.Status
            << "\n";
  return kExitOk;
}

// The supported-chips report with plain newlines. The program shows an empty report for a
// missing catalogue; on the command line a wrong --catalogue is more likely, so it is an error.
int Chips(TCliOptions& o) {
  if (!std::ifstream(o.Catalogue, std::ios::binary).is_open())
    throw TCliError{kExitFile, "cannot read the catalogue " + o.Catalogue};
  if (TConsoleUserInterface::Json) {
    // Every chip as the lookup finds it, in catalogue order; an entry the lookup refuses is left out.
    const TCatalogue catalogue(o.CatalogueFiles());
    std::string out;
    for (const std::string& family : catalogue.Families())
      for (const std::string& key : catalogue.Keys(family)) {
        TChip chip;
        try {
          if (EqualsNoCase(key, "type") || !LoadChip(catalogue, key, chip) || chip.Family != family) continue;
        } catch (const TError&) {
          continue;
        }
        out += (out.empty() ? "" : ",") + ChipJson(chip);
      }
    std::cout << "{\"chips\":[" << out << "]}" << std::endl;
    return kExitOk;
  }
  TConsoleUserInterface ui;
  ui.ShowMessage(SupportedChipsReport(TCatalogue(o.CatalogueFiles()), ui.MessageText("SuppChips"),
                                      ui.MessageText("NotSuppChips")));
  return kExitOk;
}

// Lists what the program would read wrongly in FILE, or in the catalogue files it reads (the
// user's own only when it exists), each as part of the catalogue merged with the shipped one.
// Exit 0 when clean, 1 when anything was found.
int CatalogueCheck(TCliOptions& o) {
  if (o.Args.size() > 1) throw TCliError{kExitUsage, "usage: tesmaro-cli catalogue-check [FILE]"};
  std::vector<std::string> files;
  if (!o.Args.empty()) {
    files.push_back(o.Args[0]);
  } else {
    files.push_back(o.Catalogue);
    if (!o.UserCatalogue.empty() && std::ifstream(o.UserCatalogue, std::ios::binary).is_open())
      files.push_back(o.UserCatalogue);
  }
  TConsoleUserInterface ui;
  bool found = false;
  for (const auto& file : files) {
    std::error_code ec;
    if (std::filesystem::is_directory(file, ec))
      throw TCliError{kExitFile, "cannot read the catalogue " + file + ": it is a folder"};
    if (!std::ifstream(file, std::ios::binary).is_open())
      throw TCliError{kExitFile, "cannot read the catalogue " + file};
    const std::vector<std::string> context =
        file == o.Catalogue ? std::vector<std::string>{} : std::vector{o.Catalogue};
    const auto findings = CheckCatalogue(file, context);
    for (const auto& f : findings) {
      std::vector<std::string> args{f.Family, f.Key};
      args.insert(args.end(), f.Values.begin(), f.Values.end());
      while (args.size() < 5) args.emplace_back();
      const std::string text =
          FormatText(ui.MessageText(CatalogueProblemKey(f.Problem)), {args[0], args[1], args[2], args[3], args[4]});
      std::cout << f.File << ":" << f.Line << ": " << text << "\n";
    }
    if (findings.empty()) std::cout << FormatText(ui.MessageText("CatClean"), {file}) << "\n";
    found = found || !findings.empty();
  }
  return found ? kExitDifferent : kExitOk;
}

}  // namespace

void AddCatalogueCommands(std::vector<TCliCommand>& out) {
  out.push_back({"info", "info", "print the record of the chip given with --chip (--json)", {}, {"json"}, Info});
  out.push_back(
      {"chips", "chips", "print every chip of the catalogue, unsupported ones marked * (--json)", {}, {"json"}, Chips});
  out.push_back({"catalogue-check",
                 "catalogue-check [FILE]",
                 "list catalogue entries that would be read wrongly, with file and line",
                 {},
                 {},
                 CatalogueCheck});
}
