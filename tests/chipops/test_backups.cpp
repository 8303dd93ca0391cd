// Backups before writing: named by chip, date and time, listed newest first, the oldest beyond
// the number kept removed; a write keeps the chip's old contents and a restore writes them back.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <random>

#include "chipops/chip_rig.h"
#include "common/error.h"
#include "crypto/sha256.h"
#include "programmer/chip_backups.h"
#include "support/temp_dir.h"

namespace {

using namespace std::chrono_literals;
using TKind = TScriptedUserInterface::TKind;

std::vector<uint8_t> RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 r(seed);
  std::vector<uint8_t> v(n);
  for (auto& b : v) b = static_cast<uint8_t>(r());
  return v;
}

std::vector<uint8_t> ChipBytes(const TChipRig& rig, size_t n) {
  return std::vector<uint8_t>(rig.Device->Chip.begin(), rig.Device->Chip.begin() + static_cast<std::ptrdiff_t>(n));
}

TEST(ChipBackups, NamedListedNewestFirstAndPruned) {
  TTempDir dir;
  TChip chip = ChipOf(1, 4, 32, 0);
  chip.Name = "M24/512_R";
  const auto start = std::chrono::system_clock::now();
  const std::vector<uint8_t> bytes{1, 2, 3, 4};
  std::vector<std::string> files;
  for (int i = 0; i < 4; ++i) files.push_back(SaveBackup(dir.Folder(), chip, bytes, start + std::chrono::hours(i)));
  // Two in one second: the second is numbered and newer.
  files.push_back(SaveBackup(dir.Folder(), chip, bytes, start + 3h));
  dir.Write("notes.txt", "x");
  dir.Write("other.bin", "x");
  std::vector<TBackup> all = ListBackups(dir.Folder());
  ASSERT_EQ(all.size(), 5u);
  EXPECT_EQ(all[0].File, files[4]);
  EXPECT_EQ(all[1].File, files[3]);
  EXPECT_EQ(all[4].File, files[0]);
  EXPECT_EQ(all[0].Chip, "M24-512-R");
  EXPECT_EQ(all[0].Size, 4u);
  EXPECT_EQ(all[0].Time.size(), 19u);
  EXPECT_EQ(LoadBackup(all[2]), bytes);
  // Keeping three removes the two oldest, whatever chip they were of.
  TChip other = chip;
  other.Name = "24C02";
  SaveBackup(dir.Folder(), other, bytes, start + 5h, 3);
  all = ListBackups(dir.Folder());
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(all[0].Chip, "24C02");
  EXPECT_FALSE(std::filesystem::exists(files[0]));
  EXPECT_FALSE(std::filesystem::exists(files[1]));
  EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(files[1]).replace_extension(".json")));
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(files[3]).replace_extension(".json")));
  EXPECT_TRUE(std::filesystem::exists(dir.File("notes.txt")));
  EXPECT_TRUE(ListBackups(dir.File("missing")).empty());
}

TEST(ChipBackups, WriteKeepsTheOldContentsAndRestoreWritesThemBack) {
  TTempDir dir;
  TChipRig rig;
  const TChip chip = ChipOf(1, 8192, 32, 0);
  const std::vector<uint8_t> old = ChipBytes(rig, 8192), image = RandomBytes(8192, 5);
  std::string kept;
  TCheckOptions options;
  options.BackupFolder = dir.File("backups");
  options.KeptIn = &kept;
  ASSERT_EQ(WriteAndCheckChip(rig.Programmer, chip, image, rig.Ui, nullptr, {}, nullptr, options), TChipCheck::Same);
  EXPECT_EQ(ChipBytes(rig, 8192), image);
  ASSERT_FALSE(kept.empty());
  std::vector<TBackup> all = ListBackups(options.BackupFolder);
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].File, kept);
  EXPECT_EQ(LoadBackup(all[0]), old);

  // No: nothing is written.
  rig.Device->Sent.clear();
  EXPECT_EQ(RestoreBackup(rig.Programmer, chip, all[0], rig.Ui, options), std::nullopt);
  EXPECT_TRUE(rig.Device->Sent.empty());
  ASSERT_EQ(rig.Ui.Shown.back().Kind, TKind::Question);
  EXPECT_NE(rig.Ui.Shown.back().Text.find("8192"), std::string::npos);
  // Yes: the old contents are back, and what they replaced is kept too.
  rig.Ui.Answers.push_back(TAnswer::Yes);
  EXPECT_EQ(RestoreBackup(rig.Programmer, chip, all[0], rig.Ui, options), TChipCheck::Same);
  EXPECT_EQ(ChipBytes(rig, 8192), old);
  all = ListBackups(options.BackupFolder);
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(LoadBackup(all[0]), image);
}

TEST(ChipBackups, ContentsOfAnotherSizeAreRefused) {
  TTempDir dir;
  TChipRig rig;
  const std::string file =
      SaveBackup(dir.Folder(), ChipOf(1, 4096, 32, 0), RandomBytes(4096, 1), std::chrono::system_clock::now());
  const TBackup backup = ListBackups(dir.Folder()).at(0);
  rig.Ui.Answers.push_back(TAnswer::Yes);
  rig.Device->Sent.clear();
  EXPECT_EQ(RestoreBackup(rig.Programmer, ChipOf(1, 8192, 32, 0), backup, rig.Ui), std::nullopt);
  EXPECT_TRUE(rig.Device->Sent.empty());
  ASSERT_EQ(rig.Ui.Texts(TKind::Error).size(), 1u);
  EXPECT_EQ(rig.Ui.Texts(TKind::Error)[0],
            "The kept contents hold 4096 bytes, but TEST holds 8192: select the chip they were kept from.");
}

// A backup that can't be saved stops the write before anything is written.
TEST(ChipBackups, NoWriteWithoutTheBackup) {
  TTempDir dir;
  TChipRig rig;
  const std::vector<uint8_t> old = ChipBytes(rig, 4096);
  TCheckOptions options;
  options.BackupFolder = dir.Write("not-a-folder", "x") + "/backups";
  try {
    WriteAndCheckChip(rig.Programmer, ChipOf(1, 4096, 32, 0), RandomBytes(4096, 2), rig.Ui, nullptr, {}, nullptr,
                      options);
    FAIL() << "no error";
  } catch (const TError& e) {
    EXPECT_EQ(e.Key(), "BackupFailed");
  }
  EXPECT_EQ(ChipBytes(rig, 4096), old);
  for (const auto& r : rig.Device->Sent) EXPECT_NE(r[1], 0x30);
}

// The backup before a write on a flaky chip is decided from several reads: byte-exact, with its
// record; one whose bytes can't be decided stops the write before the first page and keeps nothing.
TEST(ChipBackups, BackupsOfAFlakyChipAreDecidedOrStopTheWrite) {
  const TChip chip = ChipOf(1, 32768, 32, 0);
  struct TCase {
    const char* Name;
    double Flaky;
    TChipCheck Check;
  } cases[] = {
      {"flaky=0.001", 0.001, TChipCheck::Same},
      {"flaky=0.01", 0.01, TChipCheck::Same},
      {"undecidable", 0.5, TChipCheck::Unreliable},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    TTempDir dir;
    TChipRig rig;
    TSimulatedChipProperties p;
    p.Flaky = c.Flaky;
    rig.Device->SetChipProperties(p);
    const std::vector<uint8_t> old = ChipBytes(rig, 32768), image = RandomBytes(32768, 9);
    std::string kept;
    TCheckOptions options;
    options.BackupFolder = dir.File("backups");
    options.KeptIn = &kept;
    options.Reads = 2;  // the read-back too, so that the check itself is decided
    rig.Device->Sent.clear();
    EXPECT_EQ(WriteAndCheckChip(rig.Programmer, chip, image, rig.Ui, nullptr, {}, nullptr, options), c.Check)
        << (rig.Ui.Texts(TKind::Error).empty() ? "" : rig.Ui.Texts(TKind::Error)[0]);
    if (c.Check == TChipCheck::Same) {
      ASSERT_FALSE(kept.empty());
      const std::vector<TBackup> all = ListBackups(options.BackupFolder);
      ASSERT_EQ(all.size(), 1u);
      EXPECT_EQ(LoadBackup(all[0]), old);
      ASSERT_TRUE(all[0].Record.has_value());
      const TBackupRecord& r = *all[0].Record;
      EXPECT_EQ(r.Chip, "TEST");
      EXPECT_EQ(r.Size, 32768u);
      EXPECT_EQ(r.Sha256, Sha256Hex(old));
      EXPECT_EQ(r.Reads, 2);
      EXPECT_EQ(r.Time.size(), 19u);
      EXPECT_FALSE(r.ProgramVersion.empty());
      continue;
    }
    EXPECT_EQ(ChipBytes(rig, 32768), old);
    for (const auto& r : rig.Device->Sent) EXPECT_NE(r[1], 0x30);
    EXPECT_TRUE(kept.empty());
    EXPECT_FALSE(std::filesystem::exists(options.BackupFolder) && !std::filesystem::is_empty(options.BackupFolder));
    const std::vector<std::string> errors = rig.Ui.Texts(TKind::Error);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find(" could not be decided after 9 reads"), std::string::npos) << errors[0];
    EXPECT_NE(errors[0].find(BuiltInMessageText("BackupUnreliable")), std::string::npos) << errors[0];
  }
}

}  // namespace
