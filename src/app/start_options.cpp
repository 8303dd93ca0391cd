#include "app/start_options.h"

#include "common/paths.h"

TStartOptions StartOptionsFromArguments(const std::vector<std::string>& args) {
  TStartOptions o;
  const std::string exe = ExecutablePath();
  o.ExeFolder = DataFolderFor(FolderPart(exe));
  o.SettingsFile = SettingsFileFor(exe);
  o.UserCatalogue = UserCatalogueFile();
  bool fileSeen = false;
  for (const auto& a : args) {
    if (a == "--simulate") {
      o.Simulate = true;
    } else if (a.rfind("--simulate=", 0) == 0) {
      o.Simulate = true;
      o.SimulateImage = a.substr(11);
    } else if (a == "--close-after-start") {
      o.CloseAfterStart = true;
    } else if (!fileSeen) {
      // Only the first argument names a file; an empty one is ignored.
      o.CommandLineFile = a;
      fileSeen = true;
    }
  }
  return o;
}
