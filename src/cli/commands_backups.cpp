// The backups that writes keep: backups lists them, restore writes one back into the chip with
// the read-back check, after checking the file against its record.
#include <filesystem>
#include <iostream>

#include "cli/check_options.h"
#include "cli/commands.h"
#include "cli/console_user_interface.h"
#include "cli/programmer_session.h"
#include "cli/stop_signals.h"
#include "common/error.h"
#include "crypto/sha256.h"
#include "production/production_log.h"
#include "programmer/chip_backups.h"
#include "programmer/chip_operations.h"

namespace fs = std::filesystem;

namespace {

// --backup DIR, else the window's folder.
std::string BackupFolderOf(const TCliOptions& o) {
  if (auto it = o.Flags.find("backup"); it != o.Flags.end() && !it->second.empty()) return it->second;
  return DefaultBackupFolder();
}

std::string RecordFields(const TBackupRecord& r) {
  return "\"sha256\":" + JsonString(r.Sha256) + ",\"reads\":" + std::to_string(r.Reads) +
         ",\"corrected\":" + std::to_string(r.Corrected) + ",\"programmer_serial\":" + JsonString(r.ProgrammerSerial) +
         ",\"program_version\":" + JsonString(r.ProgramVersion);
}

// One line per backup, newest first: file, chip, size, time, then what its record says.
int Backups(TCliOptions& o) {
  if (!o.Args.empty()) throw TCliError{kExitUsage, "usage: tesmaro-cli backups [--backup DIR] [--json]"};
  const std::string folder = BackupFolderOf(o);
  const std::vector<TBackup> all = ListBackups(folder);
  if (TConsoleUserInterface::Json) {
    std::string out = "{\"folder\":" + JsonString(folder) + ",\"backups\":[";
    for (size_t i = 0; i < all.size(); ++i) {
      const TBackup& b = all[i];
      const std::string chip = b.Record ? b.Record->Chip : b.Chip;
      out += std::string(i ? "," : "") + "{\"file\":" + JsonString(b.File) + ",\"chip\":" + JsonString(chip) +
             ",\"size\":" + std::to_string(b.Size) + ",\"time\":" + JsonString(b.Time) +
             (b.Record ? "," + RecordFields(*b.Record) : std::string(",\"record\":null")) + "}";
    }
    std::cout << out << "]}" << std::endl;
    return kExitOk;
  }
  for (const TBackup& b : all) {
    std::cout << b.File << "  " << (b.Record ? b.Record->Chip : b.Chip) << "  " << b.Size << " bytes  " << b.Time;
    if (b.Record)
      std::cout << "  " << b.Record->Reads << " reads, " << b.Record->Corrected << " corrected  sha256 "
                << b.Record->Sha256;
    else
      std::cout << "  no record";
    std::cout << "\n";
  }
  std::cout.flush();
  return kExitOk;
}

// The backup of file: as the folder's list names it, else by its file's name alone.
TBackup BackupOf(const std::string& file) {
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) throw TCliError{kExitFile, file + ": no such backup file"};
  const fs::path path(file);
  for (const TBackup& b : ListBackups(path.parent_path().empty() ? "." : path.parent_path().string()))
    if (fs::equivalent(b.File, path, ec)) return b;
  TBackup b;
  b.File = file;
  b.Chip = path.stem().string();
  b.Size = fs::file_size(path, ec);
  b.Record = ReadBackupRecord(file);
  if (b.Record) b.Time = b.Record->Time;
  return b;
}

// Writes FILE back into the chip after the question (--yes answers it) and checks it. A file that
// differs from its record's SHA-256 is refused before the programmer is touched.
int Restore(TCliOptions& o) {
  if (o.Args.size() != 1) throw TCliError{kExitUsage, "usage: tesmaro-cli --chip NAME restore FILE [--yes]"};
  TConsoleUserInterface ui;
  ui.AssumeYes = o.Flags.count("yes") > 0;
  const TChip chip = RequireChip(o);
  const TBackup backup = BackupOf(o.Args[0]);
  if (backup.Record) {
    std::vector<uint8_t> bytes;
    try {
      bytes = LoadBackup(backup);
    } catch (const std::exception& e) {
      throw TCliError{kExitFile, e.what()};
    }
    if (Sha256Hex(bytes) != backup.Record->Sha256)
      throw TCliError{kExitFile, FormatText(ui.MessageText("BackupDamaged"), {backup.File})};
  }
  ui.ProgressBytes = static_cast<uint64_t>(std::max(chip.Size, 0));
  TCheckOptions checks = CheckOptionsFrom(o);
  std::string kept;
  checks.KeptIn = &kept;
  TStopOnSignals stop;
  TProgrammerSession session(o, ui);
  RequireProgrammer(session, ui);
  const std::optional<TChipCheck> check = RestoreBackup(session.Programmer, chip, backup, ui, checks);
  if (!kept.empty()) ui.ShowInformation(FormatText(ui.MessageText("BackupKept"), {kept}));
  if (!check) {
    if (backup.Size != static_cast<uint64_t>(std::max(chip.Size, 0))) return kExitUsage;
    throw TCliError{kExitUsage, "not restored: confirm with --yes or answer y on a terminal"};
  }
  switch (*check) {
    case TChipCheck::Same: return StrictExitCode(o, ui.Notices, kExitOk);
    case TChipCheck::Different: return kExitDifferent;
    case TChipCheck::Refused: return kExitUsage;
    case TChipCheck::Stopped: return TStopOnSignals::ExitCode();
    case TChipCheck::Unreliable: return kExitWarning;
    case TChipCheck::NoProgrammer:
    case TChipCheck::NoAnswer: break;
  }
  return ProgrammerExitCode(session.Programmer);
}

}  // namespace

void AddBackupCommands(std::vector<TCliCommand>& out) {
  out.push_back({"backups",
                 "backups",
                 "list the chip contents kept before writes, newest first, with their records (--backup DIR: "
                 "that folder; --json)",
                 {"backup"},
                 {"json"},
                 Backups});
  out.push_back({"restore",
                 "restore FILE",
                 "write a kept backup back into the chip and check it; asks unless --yes",
                 {},
                 {"yes"},
                 Restore});
}
