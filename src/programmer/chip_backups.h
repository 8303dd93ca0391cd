// What a chip held before a write: the whole chip kept in a backup file, so that the write can be
// undone, or a sample of it read just before the write, so that a failed check can tell a chip
// that kept its old contents. Backups are binary files named "<chip>_<date>_<time>.bin", each with
// a record beside it ("<chip>_<date>_<time>.json").
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/difference_causes.h"
#include "programmer/chip_operations.h"

// The bytes of the chip that were read before a write, by address.
struct TChipContents {
  std::vector<uint8_t> Bytes;
  std::vector<TAddressRange> Ranges;  // the addresses read, in order
  TChipBefore Known() const { return {Bytes, Ranges}; }
};

// The addresses a sample reads: one block in every sixteenth of the chip (32 bytes for types 1
// and 2, the whole chip when it has no more than sixteen blocks; a few bytes for type 3).
// length receives the bytes per address.
std::vector<uint32_t> SampleAddresses(const TChip& chip, size_t& length);

// Reads the sample into contents (one chip-access session).
TChipRun SampleChip(TProgrammer& programmer, const TChip& chip, TUserInterface& ui, TChipContents& contents);

// Reads the whole chip into contents and keeps it in options.BackupFolder (SaveBackup, naming
// options.BackupTag and keeping the newest options.BackupsKept); the file's name goes to
// *options.KeptIn. The read is decided from at least two reads (ReadChipDecided, the more of
// options.Reads); bytes left undecided return Unreliable with "ReadsUndecided" and the text of
// options.UnreliableBackup in an error box, before anything is written or saved. TError (key
// "BackupFailed") when the backup can't be saved.
TChipRun KeepChip(TProgrammer& programmer, const TChip& chip, TUserInterface& ui, const TCheckOptions& options,
                  TChipContents& contents);

// The folder of the window's backups: $XDG_STATE_HOME/tesmaro/backups/ (default
// ~/.local/state/tesmaro/backups/), ending with a separator.
std::string DefaultBackupFolder();

// What a backup's record says of it.
struct TBackupRecord {
  std::string Chip;              // the catalogue's name
  uint64_t Size = 0;             // bytes
  std::string Sha256;            // of the bytes, lower-case hexadecimal
  int Reads = 1;                 // the whole reads that decided it
  uint64_t Corrected = 0;        // bytes on which the reads disagreed and re-reads decided
  std::string Time;              // "2026-01-02T14:03:07", local time
  std::string ProgrammerSerial;  // empty when unknown
  std::string ProgramVersion;
};

struct TBackup {
  std::string File;                     // full name
  std::string Chip;                     // the chip's name as the file name holds it
  std::string Time;                     // "2026-01-02 14:03:07"
  uint64_t Size = 0;                    // bytes
  std::optional<TBackupRecord> Record;  // none for a backup without a readable record
};

// Saves bytes as a backup of chip made at time into folder (created when missing) and returns the
// file's name; tag, when given, is added to the name. Beside it the record: record's reads,
// corrected bytes and programmer serial with the chip, size, SHA-256, time and program version
// filled in. Then removes the oldest backups beyond keep (0: none) with their records. TError
// when either file can't be written (then no backup is left).
std::string SaveBackup(const std::string& folder, const TChip& chip, std::span<const uint8_t> bytes,
                       std::chrono::system_clock::time_point time, size_t keep = 0, const std::string& tag = "",
                       TBackupRecord record = {});

// The record beside a backup's file; none when it is missing or unreadable.
std::optional<TBackupRecord> ReadBackupRecord(const std::string& backupFile);

// The record as one line of JSON, as it is saved.
std::string BackupRecordJson(const TBackupRecord& record);

// The backups in folder, newest first; none when the folder does not exist.
std::vector<TBackup> ListBackups(const std::string& folder);

// The chip's name as a backup's file name holds it.
std::string BackupChipName(const std::string& chipName);

// The bytes of a backup. TError when it can't be read.
std::vector<uint8_t> LoadBackup(const TBackup& backup);

// Writes a backup back into chip, after the question "RestoreAsk" (default No): refused with
// "RestoreWrongSize" when its size is not the chip's. Nothing when the answer is No; otherwise
// the write with its check (options as WriteAndCheckChip: the contents the restore overwrites
// can be kept too).
std::optional<TChipCheck> RestoreBackup(TProgrammer& programmer, const TChip& chip, const TBackup& backup,
                                        TUserInterface& ui, const TCheckOptions& options = {});
