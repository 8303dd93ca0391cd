#include "cli/check_options.h"

#include <string>

void AddCheckFlags(TCliCommand& command) {
  const std::string name = command.Name;
  const bool writes = name == "write" || name == "erase" || name == "restore";
  const bool reads = name == "read" || name == "verify" || writes;
  if (reads) {
    command.ValueFlags.emplace_back("reads");
    command.SwitchFlags.emplace_back("majority");
    command.SwitchFlags.emplace_back("strict");
  }
  if (writes) {
    command.ValueFlags.emplace_back("backup");
    command.SwitchFlags.emplace_back("no-backup");
  }
}

TCheckOptions CheckOptionsFrom(const TCliOptions& o) {
  TCheckOptions c;
  if (auto it = o.Flags.find("reads"); it != o.Flags.end()) {
    const std::string& n = it->second;
    if (n.size() != 1 || n[0] < '2' || n[0] > '0' + kMaxReads)
      throw TCliError{kExitUsage, "--reads needs a number from 2 to " + std::to_string(kMaxReads)};
    c.Reads = n[0] - '0';
  }
  c.OnDisagreement = o.Flags.count("majority") ? TDisagreement::KeepMajority : TDisagreement::Discard;
  if (auto it = o.Flags.find("backup"); it != o.Flags.end() && !o.Flags.count("no-backup")) {
    if (it->second.empty()) throw TCliError{kExitUsage, "--backup needs a folder"};
    c.BackupFolder = it->second;
  }
  return c;
}

int StrictExitCode(const TCliOptions& o, int notices, int code) {
  return code == kExitOk && notices > 0 && o.Flags.count("strict") ? kExitWarning : code;
}
