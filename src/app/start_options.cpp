#include "app/start_options.h"

#include <filesystem>

#include "common/error.h"
#include "common/paths.h"
#include "common/user_interface.h"
#include "programmer/chip_backups.h"

TStartOptions StartOptionsFromArguments(const std::vector<std::string>& args) {
  TStartOptions o;
  const std::string exe = ExecutablePath();
  o.ExeFolder = DataFolderFor(FolderPart(exe));
  o.SettingsFile = SettingsFileFor(exe);
  o.UserCatalogue = UserCatalogueFile();
  o.BackupFolder = DefaultBackupFolder();
  bool fileSeen = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--sim-", 0) == 0) {
      const size_t eq = a.find('=');
      const std::string name = a.substr(2, eq == std::string::npos ? std::string::npos : eq - 2);
      std::string value;
      if (eq != std::string::npos)
        value = a.substr(eq + 1);
      else if (i + 1 < args.size())
        value = args[++i];
      try {
        if (!TakeSimulationOption(name, value, o.Simulation)) o.SimulationError = "unknown option --" + name;
      } catch (const std::exception& e) {
        o.SimulationError = e.what();
      }
    } else if (a == "--verbose") {
      o.Verbose = true;
    } else if (a == "--simulate") {
      o.Simulate = true;
    } else if (a.rfind("--simulate=", 0) == 0) {
      o.Simulate = true;
      o.SimulateImage = a.substr(11);
    } else if (a == "--close-after-start") {
      o.CloseAfterStart = true;
    } else if (a == "--dark") {
      o.Dark = true;
    } else if (a == "--help" || a == "-h") {
      o.Help = true;
    } else if (a == "--version") {
      o.Version = true;
    } else if (!fileSeen) {
      // Only the first argument names a file; an empty one is ignored.
      o.CommandLineFile = a;
      fileSeen = true;
    }
  }
  return o;
}

void ResolveUserPaths(TStartOptions& o) {
  for (std::string* path : {&o.CommandLineFile, &o.SimulateImage, &o.Simulation.LogFile}) {
    std::error_code ec;
    if (path->empty()) continue;
    const std::filesystem::path absolute = std::filesystem::absolute(*path, ec);
    if (!ec) *path = absolute.string();
  }
}

// Printed before any language file is read: the program's own English texts.
std::string StartUsageText() { return FormatText(BuiltInMessageText("Usage"), {SimulationOptionsHelp()}); }

std::string StartVersionText() { return std::string("tesmaro ") + TESMARO_VERSION + "\n"; }
