// tesmaro-cli convert, checksum, compare and the chip commands that take an image: formats by
// name and content, overrides, offsets, the refusal of images that don't fit, and error exits.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "support/run_process.h"

namespace {

class CliImageFile : public testing::Test {
 protected:
  void SetUp() override { Dir.Write("cat.ini", "[Test]\ntype=1\nT32=1,32,8,0,5\nT128K=1,131072,32,0,5\n"); }
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

// Without --chip the output holds the file's data and nothing more; an S-record file of data
// records alone converts too, with its warning.
TEST_F(CliImageFile, ConvertsWithoutAChip) {
  struct {
    const char* In;
    std::string Text;
    const char* Out;
    std::string Expected;
    const char* Warning;
  } cases[] = {
      {"in.hex", ":020010001122BB\n:00000001FF\n", "out.s19", "", nullptr},
      {"in.s19", "S1050010AABB85\r\n", "out.hex", ":02001000AABB89\r\n:00000001FF\r\n",
       "holds data records only: no end record was found"},
      {"in.bin", "\x01\x02\x03", "out.hex", ":03000000010203F7\r\n:00000001FF\r\n", nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.In);
    Dir.Write(c.In, c.Text);
    const auto r = RunProgram("tesmaro-cli", "convert " + Q(c.In) + " " + Q(c.Out));
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    if (!c.Expected.empty()) {
      EXPECT_EQ(Dir.Read(c.Out), c.Expected);
    }
    if (c.Warning)
      EXPECT_NE(r.Err.find(c.Warning), std::string::npos) << r.Err;
    else
      EXPECT_EQ(r.Err, "");
  }
  // The S-record output holds the two bytes at 0x10 only: converted back, nothing more appears.
  const auto back = RunProgram("tesmaro-cli", "convert " + Q("out.s19") + " " + Q("back.hex"));
  ASSERT_EQ(back.ExitCode, 0) << back.Err;
  EXPECT_EQ(Dir.Read("back.hex"), ":020010001122BB\r\n:00000001FF\r\n");
}

TEST_F(CliImageFile, FormatOptionsOverrideTheExtension) {
  Dir.Write("in.hex", "ABCD");
  auto r = Cli("T32", "convert --in-format bin --out-format=HEX " + Q("in.hex") + " " + Q("out.bin"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Dir.Read("out.bin").substr(0, 17), ":1000000041424344");

  r = Cli("T32", "convert --in-format ihex " + Q("in.hex") + " " + Q("x.bin"));
  EXPECT_EQ(r.ExitCode, 2);
  EXPECT_NE(r.Err.find("--in-format must be hex, bin, srec, not 'ihex'"), std::string::npos) << r.Err;
  EXPECT_FALSE(std::filesystem::exists(Dir.File("x.bin")));
}

TEST_F(CliImageFile, LoadErrorsExitWithoutWritingTheOutput) {
  struct {
    const char* Text;
    const char* Message;
  } cases[] = {{":0100000011EE\n:0100010022DD\n", "line 2: the record's checksum is wrong"},
               {":0100000011EE\n:\n:00000001FF\n", "line 2: '$' is not a valid integer value"},
               {":01000006AA4F\n", "unknown record type"},
               {":0100000011EE\n\n", "in.hex ends without an end record after line 2: it may be cut short."}};
  for (auto c : cases) {
    Dir.Write("in.hex", c.Text);
    auto r = Cli("T32", "convert " + Q("in.hex") + " " + Q("out.bin"));
    EXPECT_EQ(r.ExitCode, 3) << c.Message;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
    EXPECT_FALSE(std::filesystem::exists(Dir.File("out.bin"))) << c.Message;
  }
  auto r = Cli("T32", "convert " + Q("missing.hex") + " " + Q("out.bin"));
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_NE(r.Err.find("File not found: " + Dir.File("missing.hex")), std::string::npos) << r.Err;
}

TEST_F(CliImageFile, ChecksumIsTheStatusBarText) {
  // 0x11 + 0x22 + 30 blank bytes over a 32-byte chip.
  Dir.Write("in.hex", ":020000001122CB\n:00000001FF\n");
  auto r = Cli("T32", "checksum " + Q("in.hex"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "Chk: 1E15\n");
  // A record taken as binary: its 16 characters, then 16 blank bytes.
  Dir.Write("text.hex", ":020000001122CB\n");
  r = Cli("T32", "checksum --format bin " + Q("text.hex"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "Chk: 1301\n");
}

TEST_F(CliImageFile, SRecordsByExtensionAndByOption) {
  Dir.Write("in.bin", std::string("\x01\x02\x03", 3));
  auto r = Cli("T32", "convert " + Q("in.bin") + " " + Q("out.s19"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Dir.Read("out.s19").substr(0, 30), "S006000054333240\r\nS12300000102");
  r = Cli("T32", "convert --out-format srec " + Q("in.bin") + " " + Q("out.txt"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Dir.Read("out.txt"), Dir.Read("out.s19"));
  r = Cli("T32", "checksum " + Q("out.s19"));
  EXPECT_EQ(r.Out, "Chk: 1CE9\n") << r.Err;  // 1 + 2 + 3 + 29 blank bytes
}

// An image at 0x810000 (an EEPROM section) loads with --offset and is refused without it, with a
// message that asks whether an offset is missing.
TEST_F(CliImageFile, OffsetMovesAddressedImages) {
  Dir.Write("ee.hex", ":02000004008179\n:0400000001020304F2\n:00000001FF\n");
  auto r = Cli("T32", "convert " + Q("ee.hex") + " " + Q("ee.bin"));
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_NE(r.Err.find(Dir.File("ee.hex") +
                       " holds data up to 0x810003; the memory buffer ends at 0xFFFFF. Is an --offset missing?"),
            std::string::npos)
      << r.Err;
  EXPECT_FALSE(std::filesystem::exists(Dir.File("ee.bin")));

  r = Cli("T32", "convert --offset 0x810000 " + Q("ee.hex") + " " + Q("ee.bin"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(Dir.Read("ee.bin"), std::string("\x01\x02\x03\x04", 4) + std::string(28, '\xFF'));
  r = Cli("T32", "checksum --offset=0x810000 " + Q("ee.hex"));
  EXPECT_EQ(r.Out, "Chk: 1BEE\n") << r.Err;
  // Binary images have no addresses: the offset leaves them as they are.
  r = Cli("T32", "compare --offset 0x810000 " + Q("ee.hex") + " " + Q("ee.bin"));
  EXPECT_EQ(r.ExitCode, 0) << r.Out << r.Err;

  for (const char* bad : {"0x", "0x1G", "-5", "0x100000000", "12a"}) {
    r = Cli("T32", std::string("convert --offset ") + bad + " " + Q("ee.hex") + " " + Q("x.bin"));
    EXPECT_EQ(r.ExitCode, 2) << bad;
    EXPECT_NE(r.Err.find("--offset must be an address"), std::string::npos) << r.Err;
  }
}

TEST_F(CliImageFile, CompareSaysWhereAndExitsOneOnADifference) {
  std::string a(64, '\0');
  for (int i = 0; i < 64; ++i) a[i] = static_cast<char>(i);
  Dir.Write("a.bin", a);
  auto r = Cli("T32", "convert " + Q("a.bin") + " " + Q("a.s19"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;

  // 64 bytes for a 32-byte chip: refused, unless --cut says to use the chip's part.
  r = Cli("T32", "compare " + Q("a.bin") + " " + Q("a.s19"));
  EXPECT_EQ(r.ExitCode, 3) << r.Err;
  EXPECT_NE(r.Err.find("a.bin holds data up to 0x003F; the T32 ends at 0x001F."), std::string::npos) << r.Err;
  r = Cli("T32", "compare --cut " + Q("a.bin") + " " + Q("a.s19"));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "The files are the same.\n");

  std::string b = a;
  b[0x1F] = '\x5C';
  for (int i = 0; i < 16; ++i) b[0x30 + i] = '\xEE';  // past the 32-byte chip: not compared
  Dir.Write("b.bin", b);
  r = Cli("T32", "compare --cut " + Q("a.s19") + " " + Q("b.bin"));
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(r.Out, "0x001F: 1F 5C\nFirst difference at 0x001F: first file 1F, second file 5C; 1 byte differs.\n");

  // Without a chip the whole buffer: a binary file reads up to 1 MiB; sixteen lines at most.
  r = RunProgram("tesmaro-cli", "compare " + Q("a.bin") + " " + Q("b.bin"));
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 17) << r.Out;
  EXPECT_EQ(r.Out.substr(0, 14), "0x001F: 1F 5C\n");
  EXPECT_NE(r.Out.find("\nFirst difference at 0x001F: first file 1F, second file 5C; 17 bytes differ.\n"),
            std::string::npos)
      << r.Out;

  r = Cli("T32", "compare " + Q("a.bin") + " " + Q("missing.hex"));
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_EQ(Cli("T32", "compare " + Q("a.bin")).ExitCode, 2);
}

// Verify against the simulated chip: the first sixteen differences one a line, then the count.
TEST_F(CliImageFile, VerifyListsTheDifferences) {
  std::string chip(4096, '\xFF');
  for (int i = 0; i < 20; ++i) chip[0x100 + i] = '\x3A';
  Dir.Write("chip.bin", chip);
  Dir.Write("image.bin", std::string(4096, '\xFF'));
  auto r = RunProgram("tesmaro-cli", "--simulate='" + Dir.File("chip.bin") + "' --chip 24C32 verify " + Q("image.bin"));
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_NE(r.Err.find("Verification failed!\nFirst difference at 0x0100: chip 3A, expected FF; 20 bytes differ."),
            std::string::npos)
      << r.Err;
  std::string lines;
  for (int i = 0; i < 16; ++i) lines += std::string("0x010") + "0123456789ABCDEF"[i] + ": 3A FF\n";
  EXPECT_EQ(r.Out, lines + "20 bytes differ.\n");
}

// Every command that takes an image for a chip refuses one whose data reach past it: nothing is
// sent, the chip stays as it was, and the message names the file, where its data end and where
// the chip ends. --cut uses the chip's first Size bytes and says so.
TEST_F(CliImageFile, ImagesThatDoNotFitTheChipAreRefused) {
  Dir.Write("high.hex", ":02200000AABB79\n:00000001FF\n");  // data only at 0x2000
  Dir.Write("big.bin", std::string(5000, '\x42'));
  Dir.Write("far.hex", ":02000004000FEB\n:0100000011EE\n:00000001FF\n");  // at 0xF0000
  Dir.Write("cut.hex", ":0100100011DE\n");                                // no end record
  Dir.Write("empty.hex", "");
  Dir.Write("fits.hex", ":0100000011EE\n:00000001FF\n");
  const std::string blank(8192, '\xFF');
  const struct {
    const char* Name;
    std::string Arguments;
    int ExitCode;
    std::string Message;  // on standard error
  } cases[] = {
      {"write past the chip", "--chip 24C64 write " + Q("high.hex"), 3,
       Dir.File("high.hex") + " holds data up to 0x2001; the 24C64 ends at 0x1FFF."},
      {"verify past the chip", "--chip 24C64 verify " + Q("high.hex"), 3, "holds data up to 0x2001"},
      {"binary larger than the chip", "--chip 24C32 write " + Q("big.bin"), 3,
       Dir.File("big.bin") + " holds data up to 0x1387; the 24C32 ends at 0x0FFF."},
      {"data far above: an --offset missing?", "--chip 24C64 write " + Q("far.hex"), 3,
       "holds data up to 0xF0000; the 24C64 ends at 0x1FFF. Is an --offset missing?"},
      {"a wrong --offset", "--chip 24C64 write --offset 0xE0000 " + Q("far.hex"), 3,
       "holds data up to 0x10000; the 24C64 ends at 0x1FFF. Is an --offset missing?"},
      {"a file cut short", "--chip 24C64 write " + Q("cut.hex"), 3,
       Dir.File("cut.hex") + " ends without an end record after line 1: it may be cut short."},
      {"an empty file", "--chip 24C64 write " + Q("empty.hex"), 3, Dir.File("empty.hex") + " holds no data."},
      {"a missing file", "--chip 24C64 write " + Q("gone.hex"), 3, "File not found: " + Dir.File("gone.hex")},
      {"a production run", "--chip 24C64 write --repeat " + Q("high.hex"), 3, "holds data up to 0x2001"},
      {"compare with a chip", "--chip 24C64 compare " + Q("fits.hex") + " " + Q("high.hex"), 3,
       "holds data up to 0x2001"},
      {"--cut writes the chip's part", "--chip 24C32 write --cut " + Q("big.bin"), 0,
       "holds data up to 0x1387; the 24C32 ends at 0x0FFF. --cut: only the first 4096 bytes are used."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    Dir.Write("chip.bin", blank);
    auto r = RunProgram("tesmaro-cli", "--simulate='" + Dir.File("chip.bin") + "' " + c.Arguments);
    EXPECT_EQ(r.ExitCode, c.ExitCode) << r.Out << r.Err;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
    if (c.ExitCode != 0) {
      EXPECT_EQ(Dir.Read("chip.bin"), blank) << "the chip was written";
    }
  }
  EXPECT_EQ(Dir.Read("chip.bin").substr(0, 4096), std::string(4096, '\x42'));

  // A production run keeps the warning of --cut in its log too.
  auto r = RunProgram("tesmaro-cli", "--simulate='" + Dir.File("chip.bin") + "' --chip 24C32 write --cut --log '" +
                                         Dir.File("run.log") + "' " + Q("big.bin"));
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(Dir.Read("run.log").find("\"warning\":\"" + Dir.File("big.bin") + " holds data up to 0x1387"),
            std::string::npos)
      << Dir.Read("run.log");
}

// A file whose extension names no format is read as what its lines are.
TEST_F(CliImageFile, ContentDecidesTheFormatOfOtherExtensions) {
  Dir.Write("image.eep", ":020000001122CB\n:00000001FF\n");
  Dir.Write("image.a90", "S10500001122C7\nS9030000FC\n");
  Dir.Write("image", "\x11\x22");
  for (const char* name : {"image.eep", "image.a90", "image"}) {
    auto r = Cli("T32", std::string("convert ") + Q(name) + " " + Q("out.bin"));
    ASSERT_EQ(r.ExitCode, 0) << name << r.Err;
    EXPECT_EQ(Dir.Read("out.bin"), "\x11\x22" + std::string(30, '\xFF')) << name;
  }
}

// A conversion keeps every byte the file held, also past the chip.
TEST_F(CliImageFile, ConvertKeepsDataPastTheChip) {
  Dir.Write("big.hex", ":0100000011EE\n:0110000022CD\n:00000001FF\n");
  auto r = Cli("T32", "convert " + Q("big.hex") + " " + Q("big.bin"));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  const std::string out = Dir.Read("big.bin");
  ASSERT_EQ(out.size(), 0x1001u);
  EXPECT_EQ(out.front(), '\x11');
  EXPECT_EQ(out.back(), '\x22');
}

TEST_F(CliImageFile, NeedsAChipAndTheRightArguments) {
  // convert alone needs no chip.
  EXPECT_EQ(RunProgram("tesmaro-cli", "checksum a.hex").ExitCode, 2);
  EXPECT_EQ(Cli("T32", "convert a.hex").ExitCode, 2);
  EXPECT_EQ(Cli("T32", "checksum").ExitCode, 2);
}

}  // namespace
