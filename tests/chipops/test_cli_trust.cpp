// tesmaro-cli's checks of what it reads, as processes on the simulated chip: warnings for reads
// that look wrong, --strict, --reads with and without a flaky chip, detect, --backup, the causes
// of a failed write and the production log's warnings.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "support/json_lines.h"
#include "support/run_process.h"

namespace {

std::string Q(const std::string& path) { return "'" + path + "'"; }

std::string RandomBytes(size_t n, uint32_t seed) {
  std::mt19937 r(seed);
  std::string s(n, '\0');
  for (auto& c : s) c = static_cast<char>(r());
  return s;
}

const char* const kRepeats4096 =
    "tesmaro-cli: warning: The data repeat every 4096 bytes. If the image is not meant to repeat, the chip is smaller "
    "than 24C256 (4096 bytes), or its address pins are strapped differently.\n";

TEST(CliTrust, ASmallerChipIsWarnedAboutAndItsSizeDetected) {
  TTempDir dir;
  const std::string sim = "--chip 24C256 --simulate --sim-chip size=4096 ";
  auto r = RunProgram("tesmaro-cli", sim + "read " + Q(dir.File("out.bin")));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Err, kRepeats4096);
  EXPECT_EQ(std::filesystem::file_size(dir.File("out.bin")), 32768u);

  r = RunProgram("tesmaro-cli", sim + "read --strict " + Q(dir.File("strict.bin")));
  EXPECT_EQ(r.ExitCode, 7) << r.Err;
  EXPECT_EQ(r.Err, kRepeats4096);

  r = RunProgram("tesmaro-cli", sim + "detect");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "The chip holds 4096 bytes (its contents repeat from 0x1000).\n"
            "Chips of this type and size in the catalogue: 24C32, 24LC32A\n");
}

TEST(CliTrust, DetectThatCantTell) {
  TTempDir dir;
  const std::string blank = dir.Write("blank.bin", std::string(1 << 20, '\xFF'));
  auto r = RunProgram("tesmaro-cli", "--chip 24C64 --simulate=" + Q(blank) + " detect");
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_EQ(r.Err,
            "tesmaro-cli: Can't tell the size: the chip holds no data to compare. Sizes can only be told apart by "
            "reading when the chip holds data.\n");
  r = RunProgram("tesmaro-cli", "--chip 93C66-8 --simulate detect");
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_EQ(r.Err, "tesmaro-cli: 93C66-8 is a Microwire chip: its size can't be found by reading.\n");
}

TEST(CliTrust, ReadsWithAndWithoutAFlakyChip) {
  TTempDir dir;
  const std::string bytes = RandomBytes(4096, 3);
  const std::string chip = dir.Write("chip.bin", bytes);
  const std::string steady = "--chip 24C32 --simulate=" + Q(chip) + " ";
  const std::string flaky = steady + "--sim-seed 5 --sim-chip flaky=0.002 ";
  struct TCase {
    const char* Name;
    std::string Arguments;
    int ExitCode;
    const char* Said;  // the text about the reads on standard error, "" for none
    bool Saved;        // out.bin holds the chip
  } cases[] = {
      {"steady, two reads", steady + "read --reads 2", 0, "", true},
      {"flaky, three reads", flaky + "read --reads 3", 7, "The reads differ in ", false},
      {"flaky, majority", flaky + "read --reads 3 --majority", 0, "; re-reads decided every one\n", true},
      {"flaky, two reads, majority", flaky + "read --reads 2 --majority", 0, "; re-reads decided every one\n", true},
      {"undecidable, majority",
       "--chip 24C32 --simulate=" + Q(chip) + " --sim-chip flaky=0.5 read --reads 3 --majority", 7,
       " could not be decided after 9 reads (first at 0x", false},
      {"flaky verify", flaky + "verify --reads 3", 7, "The reads differ in ", false},
      {"steady verify", steady + "verify --reads 9", 0, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    std::filesystem::remove(dir.File("out.bin"));
    const std::string file = std::string(c.Name).find("verify") != std::string::npos ? chip : dir.File("out.bin");
    const auto r = RunProgram("tesmaro-cli", c.Arguments + " " + Q(file));
    EXPECT_EQ(r.ExitCode, c.ExitCode) << r.Err;
    if (*c.Said) {
      EXPECT_NE(r.Err.find(c.Said), std::string::npos) << r.Err;
    } else {
      EXPECT_EQ(r.Err.find("The reads differ"), std::string::npos) << r.Err;
    }
    if (c.Saved) {
      EXPECT_EQ(dir.Read("out.bin"), bytes);
    } else if (file != chip) {
      EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
    }
  }
  for (const char* bad : {"--reads 1", "--reads 10", "--reads x"}) {
    const auto r = RunProgram("tesmaro-cli", steady + "read " + bad + " " + Q(dir.File("out.bin")));
    EXPECT_EQ(r.ExitCode, 2) << bad;
    EXPECT_EQ(r.Err, "tesmaro-cli: --reads needs a number from 2 to 9\n") << bad;
  }
}

TEST(CliTrust, BackupBeforeWritingAndTheCauseOfAFailedWrite) {
  TTempDir dir;
  const std::string old = RandomBytes(4096, 1), image = RandomBytes(4096, 2);
  const std::string chip = dir.Write("chip.bin", old);
  const std::string in = dir.Write("in.bin", image);
  const std::string sim = "--chip 24C32 --simulate=" + Q(chip) + " ";

  auto r = RunProgram("tesmaro-cli", sim + "write --backup " + Q(dir.File("kept")) + " " + Q(in));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  std::vector<std::filesystem::path> kept;
  for (const auto& e : std::filesystem::directory_iterator(dir.File("kept")))
    if (e.path().extension() == ".bin") kept.push_back(e.path());
  ASSERT_EQ(kept.size(), 1u);
  EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(kept[0]).replace_extension(".json")));
  EXPECT_EQ(kept[0].filename().string().rfind("24C32_", 0), 0u);
  EXPECT_EQ(TTempDir::ReadFile(kept[0].string()), old);
  EXPECT_NE(r.Out.find("The chip's contents before writing are kept in " + kept[0].string()), std::string::npos);
  EXPECT_EQ(dir.Read("chip.bin"), image);

  // Without --backup nothing is kept; a write-protected chip names its cause.
  dir.Write("chip.bin", old);
  r = RunProgram("tesmaro-cli", sim + "--sim-chip write-protected write " + Q(in));
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("\nThe chip kept its old contents: it is probably write-protected (WP pin), or the writes do "
                       "not reach it.\n"),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(dir.Read("chip.bin"), old);
}

// backups lists what writes kept with their records; restore writes one back with the check and
// refuses one whose bytes no longer match their record.
TEST(CliTrust, BackupsAreListedAndRestored) {
  TTempDir dir;
  const std::string old = RandomBytes(4096, 1), image = RandomBytes(4096, 2);
  const std::string chip = dir.Write("chip.bin", old);
  const std::string in = dir.Write("in.bin", image);
  const std::string sim = "--chip 24C32 --simulate=" + Q(chip) + " ";
  const std::string kept = dir.File("kept");
  ASSERT_EQ(RunProgram("tesmaro-cli", sim + "write --backup " + Q(kept) + " " + Q(in)).ExitCode, 0);

  auto r = RunProgram("tesmaro-cli", "backups --backup " + Q(kept) + " --json");
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::string file = kept + "/" + std::filesystem::directory_iterator(kept)->path().stem().string() + ".bin";
  EXPECT_NE(r.Out.find("\"chip\":\"24C32\",\"size\":4096,"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("\"reads\":2,\"corrected\":0,"), std::string::npos) << r.Out;
  r = RunProgram("tesmaro-cli", "backups --backup " + Q(kept));
  EXPECT_NE(r.Out.find("24C32  4096 bytes  "), std::string::npos) << r.Out;

  // Without --yes and without a terminal nothing is written.
  r = RunProgram("tesmaro-cli", sim + "restore " + Q(file));
  EXPECT_EQ(r.ExitCode, 2) << r.Err;
  EXPECT_EQ(dir.Read("chip.bin"), image);
  r = RunProgram("tesmaro-cli", sim + "restore --yes " + Q(file));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(dir.Read("chip.bin"), old);

  // A backup changed since it was kept is refused before the chip is touched.
  std::string damaged = old;
  damaged[100] ^= 1;
  dir.Write("kept/" + std::filesystem::path(file).filename().string(), damaged);
  dir.Write("chip.bin", image);
  r = RunProgram("tesmaro-cli", sim + "restore --yes " + Q(file));
  EXPECT_EQ(r.ExitCode, 3) << r.Err;
  EXPECT_NE(r.Err.find("does not match its record (SHA-256)"), std::string::npos) << r.Err;
  EXPECT_EQ(dir.Read("chip.bin"), image);
}

// A backup that the reads can't decide stops the write before its first page; --no-backup writes.
TEST(CliTrust, AnUndecidableBackupStopsTheWrite) {
  TTempDir dir;
  const std::string old = RandomBytes(4096, 1), image = RandomBytes(4096, 2);
  const std::string chip = dir.Write("chip.bin", old);
  const std::string in = dir.Write("in.bin", image);
  const std::string sim = "--chip 24C32 --simulate=" + Q(chip) + " --sim-chip flaky=0.5 ";
  auto r = RunProgram("tesmaro-cli", sim + "write --backup " + Q(dir.File("kept")) + " " + Q(in));
  EXPECT_EQ(r.ExitCode, 7) << r.Err;
  EXPECT_NE(r.Err.find("The chip's contents could not be read reliably; nothing was written. Check the clip, or "
                       "write without a backup (--no-backup)."),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(dir.Read("chip.bin"), old);
  r = RunProgram("tesmaro-cli", sim + "write --backup " + Q(dir.File("kept")) + " --no-backup " + Q(in));
  EXPECT_EQ(dir.Read("chip.bin"), image);
  EXPECT_FALSE(std::filesystem::exists(dir.File("kept")));
}

TEST(CliTrust, TheProductionLogListsTheWarnings) {
  TTempDir dir;
  const std::string in = dir.Write("in.bin", RandomBytes(32768, 4));
  const auto r = RunProgram(
      "tesmaro-cli", "--chip 24C256 --simulate --sim-chip size=4096 write --log " + Q(dir.File("log")) + " " + Q(in));
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(CheckJsonLines(dir.File("log"), {"warnings", "result"}), "");
  const std::string log = dir.Read("log");
  EXPECT_NE(log.find("\"result\":\"different\""), std::string::npos);
  EXPECT_NE(log.find("\"warnings\":[\"The data repeat every 4096 bytes"), std::string::npos) << log;
  EXPECT_NE(r.Err.find("warning: "), std::string::npos);
}

}  // namespace
