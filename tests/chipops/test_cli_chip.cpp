// tesmaro-cli's read, write and verify as processes on the simulated programmer, whose chip lives
// in a binary file between the runs.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>

#include "support/run_process.h"

namespace {

std::string Image(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 37 + (i >> 8) + 5);
  return s;
}

// Intel HEX of bytes at address 0: sixteen-byte data records and the end record.
std::string HexOf(const std::string& bytes) {
  std::string text;
  char field[8];
  for (size_t a = 0; a < bytes.size(); a += 16) {
    const size_t n = std::min<size_t>(16, bytes.size() - a);
    unsigned sum = static_cast<unsigned>(n + (a >> 8) + (a & 0xFF));
    std::snprintf(field, sizeof field, "%02X%04X", static_cast<unsigned>(n), static_cast<unsigned>(a));
    text += std::string(":") + field + "00";
    for (size_t i = 0; i < n; ++i) {
      const auto b = static_cast<uint8_t>(bytes[a + i]);
      std::snprintf(field, sizeof field, "%02X", b);
      text += field;
      sum += b;
    }
    std::snprintf(field, sizeof field, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    text += std::string(field) + "\r\n";
  }
  return text + ":00000001FF\r\n";
}

std::string Q(const std::string& path) { return "'" + path + "'"; }

TEST(CliChip, WriteReadVerifyRoundTrip) {
  TTempDir dir;
  const std::string bytes = Image(4096);
  const std::string image = dir.Write("image.hex", HexOf(bytes));
  const std::string sim = "--simulate=" + Q(dir.File("chip.bin")) + " --chip 24C32 ";

  auto r = RunProgram("tesmaro-cli", sim + "write " + Q(image));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "Programming OK\n");
  // The new image holds the whole simulated chip of 1 MiB, the 24C32's part first.
  EXPECT_EQ(dir.Read("chip.bin").size(), 1u << 20);
  EXPECT_EQ(dir.Read("chip.bin").substr(0, 4096), bytes);

  r = RunProgram("tesmaro-cli", sim + "read " + Q(dir.File("back.hex")));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  r = RunProgram("tesmaro-cli", sim + "read --format bin " + Q(dir.File("back.hex.out")));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(dir.Read("back.hex.out"), bytes);

  for (const char* file : {"image.hex", "back.hex"}) {
    r = RunProgram("tesmaro-cli", sim + "verify " + Q(dir.File(file)));
    EXPECT_EQ(r.ExitCode, 0) << file << r.Err;
    EXPECT_EQ(r.Out, "Verification OK\n") << file;
  }

  // One changed byte at the chip's end.
  std::string changed = bytes;
  changed[4095] = static_cast<char>(~changed[4095]);
  dir.Write("chip.bin", changed);
  r = RunProgram("tesmaro-cli", sim + "verify " + Q(image));
  EXPECT_EQ(r.ExitCode, 1);
  EXPECT_NE(r.Err.find("Verification failed!"), std::string::npos) << r.Err;
}

TEST(CliChip, Refusals) {
  TTempDir dir;
  const std::string sim = "--simulate=" + Q(dir.File("chip.bin")) + " ";
  struct TCase {
    std::string Args;
    int Exit;
  };
  const TCase cases[] = {
      {sim + "read " + Q(dir.File("x.bin")), 2},                                         // no chip
      {sim + "--chip 24C32 read", 2},                                                    // no file
      {sim + "--chip 24C32 read --format txt " + Q(dir.File("x.bin")), 2},               // bad format
      {sim + "--chip 24C32 write " + Q(dir.File("missing.hex")), 3},                     // no image
      {sim + "--chip 24C32 verify " + Q(dir.Write("bad.hex", ":0100000041BF\r\n")), 3},  // checksum
  };
  for (const TCase& c : cases) {
    auto r = RunProgram("tesmaro-cli", c.Args);
    EXPECT_EQ(r.ExitCode, c.Exit) << c.Args << "\n" << r.Err;
    EXPECT_FALSE(r.Err.empty()) << c.Args;
  }
  // Nothing was written to the simulated chip by any of them.
  EXPECT_EQ(dir.Read("chip.bin"), "");
}

// A chip without a size, or one the catalogue marks unsupported, is a usage error with its
// message before the image is loaded or anything is sent.
TEST(CliChip, UnusableChipIsRefused) {
  TTempDir dir;
  const std::string catalogue = dir.Write("see.ini", "[Odd]\ntype=1\nEMPTY=1,0,32,0,5\nOLD=0,4096,32,0,5\n");
  const std::string head = "--catalogue " + Q(catalogue) + " --simulate=" + Q(dir.File("chip.bin")) + " --chip ";
  const std::pair<std::string, std::string> chips[] = {{"EMPTY", "Select a chip first."},
                                                       {"OLD", "OLD is not supported by the programmer."}};
  for (const auto& [chip, text] : chips) {
    for (const std::string command : {"read", "write", "verify"}) {
      const std::string file = command == "read" ? "out.bin" : "missing.bin";
      auto r = RunProgram("tesmaro-cli", head + chip + " " + command + " " + Q(dir.File(file)));
      EXPECT_EQ(r.ExitCode, 2) << chip << " " << command << "\n" << r.Err;
      EXPECT_EQ(r.Err, "tesmaro-cli: " + text + "\n") << chip << " " << command;
      EXPECT_EQ(r.Out, "");
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("chip.bin")));
}

}  // namespace

// blank-check and erase on the simulated chip: exit 1 for a chip that is not blank, erase only
// with --yes (no terminal to ask on here: refused with exit 2, the chip untouched).
TEST(CliChip, BlankCheckAndErase) {
  TTempDir dir;
  const std::string bytes = Image(4096);
  dir.Write("chip.bin", bytes);
  const std::string sim = "--simulate=" + Q(dir.File("chip.bin")) + " --chip 24C32 ";

  auto r = RunProgram("tesmaro-cli", sim + "blank-check");
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_NE((r.Out + r.Err).find("is not blank"), std::string::npos) << r.Out << r.Err;

  r = RunProgram("tesmaro-cli", sim + "erase");
  EXPECT_EQ(r.ExitCode, 2) << r.Err;
  EXPECT_NE(r.Out.find("Erase all 4096 bytes of 24C32?"), std::string::npos) << r.Out;
  EXPECT_EQ(dir.Read("chip.bin").substr(0, 4096), bytes);

  r = RunProgram("tesmaro-cli", sim + "erase --yes");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("Erase OK\n"), std::string::npos) << r.Out;
  EXPECT_EQ(dir.Read("chip.bin").substr(0, 4096), std::string(4096, '\xFF'));

  r = RunProgram("tesmaro-cli", sim + "blank-check");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "The chip 24C32 is blank.\n");

  r = RunProgram("tesmaro-cli", "--chip 24C32 --simulate=" + Q(dir.File("chip.bin")) + " blank-check extra");
  EXPECT_EQ(r.ExitCode, 2);
}
