// tesmaro-cli's firmware commands as a process: packing, unpacking, the update on the simulator.
#include <gtest/gtest.h>

#include "support/run_process.h"

namespace {

std::string Image(size_t n) {
  std::string s(n, '\0');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i * 11 + (i >> 7) + 0x21);
  return s;
}

std::string Quoted(const std::string& path) { return "'" + path + "'"; }

TEST(CliFirmware, PackAndUnpackRoundTrip) {
  TTempDir dir;
  const std::string image = dir.Write("image.bin", Image(16384));
  const std::string file = dir.File("u.TesmaroUpdatePart");
  auto r = RunProgram("tesmaro-cli", "firmware-pack " + Quoted(image) + " " + Quoted(file));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(dir.Read("u.TesmaroUpdatePart").size(), 16392u);
  r = RunProgram("tesmaro-cli", "firmware-unpack " + Quoted(file) + " " + Quoted(dir.File("back.bin")));
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(dir.Read("back.bin"), Image(16384));

  // Another key: its own round trip, and noise under the default key.
  const std::string key = "--key 00112233445566778899 ";
  ASSERT_EQ(RunProgram("tesmaro-cli", "firmware-pack " + key + Quoted(image) + " " + Quoted(file)).ExitCode, 0);
  ASSERT_EQ(
      RunProgram("tesmaro-cli", "firmware-unpack " + key + Quoted(file) + " " + Quoted(dir.File("k.bin"))).ExitCode, 0);
  EXPECT_EQ(dir.Read("k.bin"), Image(16384));
  RunProgram("tesmaro-cli", "firmware-unpack " + Quoted(file) + " " + Quoted(dir.File("n.bin")));
  EXPECT_NE(dir.Read("n.bin"), Image(16384));
}

TEST(CliFirmware, Refusals) {
  TTempDir dir;
  const std::string small = dir.Write("small.bin", Image(100));
  const std::string ragged = dir.Write("ragged.bin", Image(12));
  const std::string out = Quoted(dir.File("out"));
  struct {
    std::string Args;
    int ExitCode;
    const char* Message;
  } cases[] = {
      {"firmware-pack " + Quoted(small) + " " + out, 3, "16376 to 16385 bytes"},
      {"firmware-unpack " + Quoted(ragged) + " " + out, 3, "Ciphertext length is not a multiple of 8."},
      {"firmware-unpack " + Quoted(dir.File("missing")) + " " + out, 3, "cannot open"},
      {"firmware-pack --key 0011 " + Quoted(small) + " " + out, 2, "--key"},
      {"firmware-pack --key xyz0112233445566 " + Quoted(small) + " " + out, 2, "--key"},
      {"firmware-pack " + Quoted(small), 2, "usage"},
      {"--simulate firmware-update --yes " + Quoted(small), 3, "shorter than 16384 bytes"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", c.Args);
    EXPECT_EQ(r.ExitCode, c.ExitCode) << c.Args << "\n" << r.Err;
    EXPECT_NE(r.Err.find(c.Message), std::string::npos) << c.Args << ": " << r.Err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("out")));
}

TEST(CliFirmware, UpdateOnTheSimulator) {
  TTempDir dir;
  std::string image = Image(16384);
  image.replace(0, 4, "\x02\x05\x20\x26", 4);
  const std::string file = Quoted(dir.File("u.TesmaroUpdatePart"));
  ASSERT_EQ(RunProgram("tesmaro-cli", "firmware-pack " + Quoted(dir.Write("i.bin", image)) + " " + file).ExitCode, 0);

  auto r = RunProgram("tesmaro-cli", "--simulate firmware-update --yes " + file);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("Current firmware:\n\nHW ver.: 01.07\nHW firmware: 01.0720.24\n"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("NEW HW firmware: 02.0520.26\n\nUPDATE FIRMWARE?"), std::string::npos) << r.Out;
  EXPECT_NE(r.Out.find("Firmware updated: all 504 blocks written and checked."), std::string::npos) << r.Out;

  // Without --yes and without a terminal the answer is No: nothing is sent.
  r = RunProgram("tesmaro-cli", "--simulate firmware-update " + file);
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("UPDATE FIRMWARE?"), std::string::npos);
  EXPECT_EQ(r.Out.find("Verification"), std::string::npos) << r.Out;
}

}  // namespace
