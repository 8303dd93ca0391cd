#include "programmer/chip_backups.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>

#include "common/error.h"
#include "common/local_time.h"
#include "common/paths.h"
#include "common/safe_file_writer.h"
#include "crypto/sha256.h"
#include "programmer/checked_read.h"

namespace fs = std::filesystem;

namespace {

constexpr uint8_t kBlank = 0xFF;
constexpr size_t kSampleParts = 16;  // a sample reads one block in each such part of the chip
constexpr size_t kMicrowireSample = 4;

size_t ChipBytes(const TChip& chip) { return static_cast<size_t>(std::max<int32_t>(0, chip.Size)); }

// "2026-01-02_14-03-07" in local time.
std::string NameTime(std::chrono::system_clock::time_point time) {
  const std::tm local = LocalTime(time);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%d_%H-%M-%S", &local);
  return text;
}

// The parts of a backup's name: chip, date, time, then anything added.
std::vector<std::string> NameParts(const std::string& stem) {
  std::vector<std::string> parts;
  size_t from = 0;
  for (size_t at; (at = stem.find('_', from)) != std::string::npos; from = at + 1)
    parts.push_back(stem.substr(from, at - from));
  parts.push_back(stem.substr(from));
  return parts;
}

bool Digits(const std::string& s, size_t n) {
  return s.size() == n && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// "2026-01-02" and "14-03-07" as a backup's name holds them.
bool NameDate(const std::string& d) {
  return d.size() == 10 && Digits(d.substr(0, 4), 4) && d[4] == '-' && Digits(d.substr(5, 2), 2) && d[7] == '-' &&
         Digits(d.substr(8, 2), 2);
}
bool NameClock(const std::string& t) {
  return t.size() == 8 && Digits(t.substr(0, 2), 2) && t[2] == '-' && Digits(t.substr(3, 2), 2) && t[5] == '-' &&
         Digits(t.substr(6, 2), 2);
}

std::string FileErrorText(const std::string& file, const TFileFailure& f) {
  return file + ": " + std::strerror(f.Error);
}

// "2026-01-02T14:03:07" in local time.
std::string RecordTime(std::chrono::system_clock::time_point time) {
  const std::tm local = LocalTime(time);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
  return text;
}

std::string Json(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
      out += escaped;
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string RecordJson(const TBackupRecord& r) {
  return "{\"chip\":" + Json(r.Chip) + ",\"size\":" + std::to_string(r.Size) + ",\"sha256\":" + Json(r.Sha256) +
         ",\"reads\":" + std::to_string(r.Reads) + ",\"corrected\":" + std::to_string(r.Corrected) +
         ",\"time\":" + Json(r.Time) + ",\"programmer_serial\":" + Json(r.ProgrammerSerial) +
         ",\"program_version\":" + Json(r.ProgramVersion) + "}\n";
}

// The value of key in a record as RecordJson writes it: a string's text or a number's digits.
std::string RecordField(const std::string& json, const std::string& key) {
  const std::string name = "\"" + key + "\":";
  size_t at = json.find(name);
  if (at == std::string::npos) return {};
  at += name.size();
  std::string out;
  if (at < json.size() && json[at] == '"') {
    for (++at; at < json.size() && json[at] != '"'; ++at) {
      if (json[at] == '\\' && at + 1 < json.size()) ++at;
      out += json[at];
    }
    return out;
  }
  while (at < json.size() && json[at] >= '0' && json[at] <= '9') out += json[at++];
  return out;
}

uint64_t RecordNumber(const std::string& json, const std::string& key) {
  const std::string digits = RecordField(json, key);
  return digits.empty() || digits.size() > 18 ? 0 : std::stoull(digits);
}

// The record beside a backup's file: same name, ".json".
fs::path RecordPath(const fs::path& backup) { return fs::path(backup).replace_extension(".json"); }

}  // namespace

std::vector<uint32_t> SampleAddresses(const TChip& chip, size_t& length) {
  const size_t size = ChipBytes(chip);
  std::vector<uint32_t> out;
  if (chip.ChipType == 3) {
    const size_t unit = chip.Org > 0 ? 2 : 1;
    const size_t part = size / kSampleParts;
    length = std::max(unit, std::min(kMicrowireSample, part) / unit * unit);
    for (size_t k = 0; k < kSampleParts; ++k) {
      const size_t a = k * size / kSampleParts / unit * unit;
      if (a + length <= size && (out.empty() || out.back() + length <= a)) out.push_back(static_cast<uint32_t>(a));
    }
    return out;
  }
  const size_t block = DataAreaSize;
  if (size < block) {
    length = size;
    if (size > 0) out.push_back(0);
    return out;
  }
  length = block;
  for (size_t k = 0; k < kSampleParts; ++k) {
    const size_t a = k * size / kSampleParts / block * block;
    if (a + block <= size && (out.empty() || out.back() + block <= a)) out.push_back(static_cast<uint32_t>(a));
  }
  return out;
}

TChipRun SampleChip(TProgrammer& p, const TChip& chip, TUserInterface& ui, TChipContents& contents) {
  size_t length = 0;
  const std::vector<uint32_t> at = SampleAddresses(chip, length);
  contents.Bytes.assign(ChipBytes(chip), kBlank);
  contents.Ranges.clear();
  if (at.empty() || length == 0) return TChipRun::Done;
  std::vector<uint8_t> read(at.size() * length);
  const TChipRun run = ReadChipBlocks(p, chip, at, length, read, ui);
  if (run != TChipRun::Done) return run;
  for (size_t i = 0; i < at.size(); ++i) {
    std::copy_n(read.begin() + static_cast<std::ptrdiff_t>(i * length), length,
                contents.Bytes.begin() + static_cast<std::ptrdiff_t>(at[i]));
    contents.Ranges.push_back({at[i], at[i] + static_cast<uint32_t>(length)});
  }
  return TChipRun::Done;
}

TChipRun KeepChip(TProgrammer& p, const TChip& chip, TUserInterface& ui, const TCheckOptions& options,
                  TChipContents& contents) {
  const size_t size = ChipBytes(chip);
  std::vector<uint8_t> read(std::max(size, ChipReadExtent(chip)), kBlank);
  // A backup is made of at least two reads that decide every byte: a guessed byte in it would be
  // written back by a restore.
  TCheckOptions checked;
  checked.Reads = std::max(2, options.Reads);
  checked.OnDisagreement = TDisagreement::KeepMajority;
  TReadReport report;
  checked.Report = &report;
  const TChipRun run = ReadChipDecided(p, chip, read, ui, checked, {}, options.UnreliableBackup);
  if (run != TChipRun::Done) return run;
  read.resize(size);
  TBackupRecord record;
  record.Reads = checked.Reads;
  record.Corrected = report.Decided.size();
  if (const THidDevice* d = p.HeldDevice) record.ProgrammerSerial = d->SerialNumber();
  try {
    const std::string file = SaveBackup(options.BackupFolder, chip, read, std::chrono::system_clock::now(),
                                        options.BackupsKept, options.BackupTag, record);
    if (options.KeptIn) *options.KeptIn = file;
  } catch (const std::exception& e) {
    throw TError(TMessageKey{"BackupFailed"}, {e.what()});
  }
  contents.Bytes = std::move(read);
  contents.Ranges = {{0, static_cast<uint32_t>(size)}};
  return TChipRun::Done;
}

std::string DefaultBackupFolder() {
#ifdef _WIN32
  return UserStateFolder() + "backups\\";
#else
  return UserStateFolder() + "backups/";
#endif
}

std::string BackupChipName(const std::string& chipName) {
  std::string out;
  for (const char c : chipName) {
    const bool plain =
        (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' || c == '.' || c == '+';
    out += plain ? c : '-';
  }
  return out.empty() ? "chip" : out;
}

std::string SaveBackup(const std::string& folder, const TChip& chip, std::span<const uint8_t> bytes,
                       std::chrono::system_clock::time_point time, size_t keep, const std::string& tag,
                       TBackupRecord record) {
  std::error_code ec;
  fs::create_directories(fs::path(folder), ec);
  if (ec) throw TError(folder + ": " + ec.message());
  const std::string stem =
      BackupChipName(chip.Name) + "_" + NameTime(time) + (tag.empty() ? "" : "_" + BackupChipName(tag));
  fs::path file = fs::path(folder) / (stem + ".bin");
  // Two backups within one second get a number.
  for (int n = 2; fs::exists(file, ec); ++n) file = fs::path(folder) / (stem + "_" + std::to_string(n) + ".bin");
  TSafeFileWriter writer(file.string());
  if (const TFileFailure f = writer.Open()) throw TError(FileErrorText(file.string(), f));
  if (const TFileFailure f = writer.Write(bytes.data(), bytes.size())) throw TError(FileErrorText(file.string(), f));
  if (const TFileFailure f = writer.Commit()) throw TError(FileErrorText(file.string(), f));
  // The record beside it; a backup whose record can't be written is not kept.
  record.Chip = chip.Name;
  record.Size = bytes.size();
  record.Sha256 = Sha256Hex(bytes);
  record.Time = RecordTime(time);
  record.ProgramVersion = TESMARO_VERSION;
  const std::string json = RecordJson(record);
  const fs::path recordFile = RecordPath(file);
  TSafeFileWriter recordWriter(recordFile.string());
  TFileFailure failed = recordWriter.Open();
  if (!failed) failed = recordWriter.Write(json.data(), json.size());
  if (!failed) failed = recordWriter.Commit();
  if (failed) {
    fs::remove(file, ec);
    throw TError(FileErrorText(recordFile.string(), failed));
  }
  if (keep > 0) {
    const std::vector<TBackup> all = ListBackups(folder);
    for (size_t i = keep; i < all.size(); ++i) {
      fs::remove(all[i].File, ec);
      fs::remove(RecordPath(all[i].File), ec);
    }
  }
  return file.string();
}

std::vector<TBackup> ListBackups(const std::string& folder) {
  struct TFound {
    TBackup Backup;
    std::string Key;  // date, time and the rest of the name: sorts by age
  };
  std::vector<TFound> found;
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(folder), ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    if (path.extension() != ".bin" || !it->is_regular_file(ec)) continue;
    const std::vector<std::string> parts = NameParts(path.stem().string());
    if (parts.size() < 3 || !NameDate(parts[1]) || !NameClock(parts[2])) continue;
    TBackup b;
    b.File = path.string();
    b.Chip = parts[0];
    std::string clock = parts[2];
    std::replace(clock.begin(), clock.end(), '-', ':');
    b.Time = parts[1] + " " + clock;
    b.Size = it->file_size(ec);
    b.Record = ReadBackupRecord(path.string());
    std::string key = parts[1] + "_" + parts[2];
    // A numbered backup of the same second is newer than the one before it.
    const std::string& last = parts.back();
    const bool numbered = parts.size() > 3 && !last.empty() &&
                          std::all_of(last.begin(), last.end(), [](char c) { return c >= '0' && c <= '9'; });
    key += "_" + std::string(6 - std::min<size_t>(6, numbered ? last.size() : 0), '0') + (numbered ? last : "");
    found.push_back({b, key + "_" + path.filename().string()});
  }
  std::sort(found.begin(), found.end(), [](const TFound& a, const TFound& b) { return a.Key > b.Key; });
  std::vector<TBackup> out;
  out.reserve(found.size());
  for (auto& f : found) out.push_back(std::move(f.Backup));
  return out;
}

std::optional<TBackupRecord> ReadBackupRecord(const std::string& backupFile) {
  std::ifstream f(RecordPath(backupFile), std::ios::binary);
  if (!f) return std::nullopt;
  const std::string json((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (json.find("\"sha256\":") == std::string::npos) return std::nullopt;
  TBackupRecord r;
  r.Chip = RecordField(json, "chip");
  r.Size = RecordNumber(json, "size");
  r.Sha256 = RecordField(json, "sha256");
  r.Reads = static_cast<int>(std::min<uint64_t>(RecordNumber(json, "reads"), 1000));
  r.Corrected = RecordNumber(json, "corrected");
  r.Time = RecordField(json, "time");
  r.ProgrammerSerial = RecordField(json, "programmer_serial");
  r.ProgramVersion = RecordField(json, "program_version");
  return r;
}

std::string BackupRecordJson(const TBackupRecord& record) { return RecordJson(record); }

std::vector<uint8_t> LoadBackup(const TBackup& backup) {
  std::ifstream f(backup.File, std::ios::binary);
  if (!f) throw TError(TMessageKey{"CannotOpenStream"}, {backup.File});
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  if (f.bad()) throw TError(TMessageKey{"CannotOpenStream"}, {backup.File});
  return bytes;
}

std::optional<TChipCheck> RestoreBackup(TProgrammer& p, const TChip& chip, const TBackup& backup, TUserInterface& ui,
                                        const TCheckOptions& options) {
  if (RefuseUnusableChip(chip, ui)) return TChipCheck::Refused;
  const std::vector<uint8_t> bytes = LoadBackup(backup);
  if (bytes.size() != ChipBytes(chip)) {
    ui.ShowError(FormatText(ui.MessageText("RestoreWrongSize"),
                            {std::to_string(bytes.size()), chip.Name, std::to_string(ChipBytes(chip))}));
    return std::nullopt;
  }
  if (ui.AskYesNo(
          FormatText(ui.MessageText("RestoreAsk"), {backup.Chip, backup.Time, chip.Name, std::to_string(bytes.size())}),
          TAnswer::No) != TAnswer::Yes)
    return std::nullopt;
  return WriteAndCheckChip(p, chip, bytes, ui, nullptr, {}, nullptr, options);
}
