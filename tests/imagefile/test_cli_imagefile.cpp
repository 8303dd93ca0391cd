// tesmaro-cli convert and checksum: formats, overrides, the start blanking and error exits.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/run_process.h"

namespace {

class CliImageFile : public testing::Test {
 protected:
  void SetUp() override {
    Dir.Write("cat.ini", "[Test]\ntype=1\nT32=1,32,8,0,5\nT128K=1,131072,32,0,5\n");
  }
  TProcessResult Cli(const std::string& chip, const std::string& arguments) {
    return RunProgram("tesmaro-cli", "--catalogue '" + Dir.File("cat.ini") + "' --chip " + chip + " " + arguments);
  }
  std::string Q(const std::string& name) const { return "'" + Dir.File(name) + "'"; }

  TTempDir Dir;
};

TEST_F(CliImageFile, ConvertsBothWaysWithTheStartBlanking) {
  Dir.Write("in.hex", ":020000001122CB\n:00000001FF\n");
  auto r = Cli("T32", "convert " + Q("in.hex") + " " + Q("out.bin"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Dir.Read("out.bin"), "\x11\x22" + std::string(30, '\xFF'));

  r = Cli("T32", "convert " + Q("out.bin") + " " + Q("back.HEX"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Dir.Read("back.HEX"), ":100000001122" + std::string(28, 'F') + "CB\r\n:10001000" + std::string(32, 'F') +
                                      "F0\r\n:00000001FF\r\n");
}

TEST_F(CliImageFile, FormatOptionsOverrideTheExtension) {
  Dir.Write("in.hex", "ABCD");
  auto r = Cli("T32", "convert --in-format bin --out-format=HEX " + Q("in.hex") + " " + Q("out.bin"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Dir.Read("out.bin").substr(0, 17), ":1000000041424344");

  r = Cli("T32", "convert --in-format ihex " + Q("in.hex") + " " + Q("x.bin"));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Err.find("--in-format must be hex or bin"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(Dir.File("x.bin")));
}

TEST_F(CliImageFile, LoadErrorsExitWithoutWritingTheOutput) {
  struct {
    const char* Text;
    const char* Message;
  } cases[] = {{":0100000011EE\n:0100010022DD\n", "Wrong CheckSum !"},
               {":0100000011EE\n\n", "'$' is not a valid integer value"},
               {":01000006AA4F\n", "unknown record type"}};
  for (auto c : cases) {
    Dir.Write("in.hex", c.Text);
    auto r = Cli("T32", "convert " + Q("in.hex") + " " + Q("out.bin"));
    EXPECT_EQ(r.ExitCode, 3) << c.Message;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.File("out.bin"))) << c.Message;
  }
  auto r = Cli("T32", "convert " + Q("missing.hex") + " " + Q("out.bin"));
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_NE(r.Err.find("File not found"), std::string::npos) << r.Err;
}

TEST_F(CliImageFile, ChecksumIsTheStatusBarText) {
  // 0x11 + 0x22 + 30 blank bytes over a 32-byte chip.
  Dir.Write("in.hex", ":020000001122CB\n");
  auto r = Cli("T32", "checksum " + Q("in.hex"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "Chk: 1E15\n");
  // The same file taken as binary: its 16 characters, then 16 blank bytes.
  r = Cli("T32", "checksum --format bin " + Q("in.hex"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "Chk: 1301\n");
}

TEST_F(CliImageFile, NeedsAChipAndTheRightArguments) {
  EXPECT_EQ(RunProgram("tesmaro-cli", "convert a.hex b.bin").ExitCode, 2);
  EXPECT_EQ(Cli("T32", "convert a.hex").ExitCode, 2);
  EXPECT_EQ(Cli("T32", "checksum").ExitCode, 2);
}

}  // namespace
