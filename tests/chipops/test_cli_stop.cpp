// tesmaro-cli stopped by SIGINT or SIGTERM in the middle of a slowed simulated operation: it ends
// after the current exchange with the chip closed, writes no output file and exits 128 + signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>

#include "support/signalled_run.h"

namespace {

constexpr size_t kChipSize = 65536;  // 24C512: 2048 exchanges, about 2 s at 1 ms each

std::string Image() {
  std::string s(kChipSize, '\0');
  for (size_t i = 0; i < kChipSize; ++i) s[i] = static_cast<char>(i * 11 + (i >> 8) + 1);
  return s;
}

// Each command, stopped by each signal about half-way: the exit code says which signal, the
// command ended long before the rest of its exchanges would have, and nothing was left behind. A
// stopped write says which range of the chip it wrote, and that range is what the chip holds.
TEST(CliStop, SignalStopsTheCommandAfterTheCurrentExchange) {
  struct TCase {
    const char* Command;
    int Signal;
    int Exit;
  };
  for (const TCase& c : {TCase{"read", SIGINT, 130}, TCase{"write", SIGTERM, 143}, TCase{"write", SIGINT, 130},
                         TCase{"verify", SIGINT, 130}}) {
    SCOPED_TRACE(c.Command);
    TTempDir dir;
    const std::string chipBefore(kChipSize, '\xFF');
    dir.Write("chip.bin", chipBefore);
    const std::string image = dir.Write("image.bin", Image());
    const std::string file = std::string(c.Command) == "read" ? dir.File("out.bin") : image;
    const TSignalledRun r = RunAndSignal(dir, "tesmaro-cli",
                                         {"--simulate=" + dir.File("chip.bin"), "--sim-latency", "1", "--sim-log",
                                          dir.File("sim.log"), "--chip", "24C512", c.Command, file},
                                         c.Signal, LoggedExchanges(dir, "sim.log", 500));
    EXPECT_TRUE(r.UnderWay);
    EXPECT_EQ(r.ExitCode, c.Exit) << r.Err;
    EXPECT_LT(r.SecondsAfterSignal, 0.9);
    const bool write = std::string(c.Command) == "write";
    EXPECT_EQ(r.Out, write ? "" : "Operation stopped.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
    // The simulator saw the chip closed last.
    const std::string log = dir.Read("sim.log");
    ASSERT_FALSE(log.empty());
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    EXPECT_NE(last.find(" 10/2 chip-close"), std::string::npos) << last;
    if (write) {
      std::smatch m;
      ASSERT_TRUE(std::regex_match(r.Err, m,
                                   std::regex("tesmaro-cli: Operation stopped\\.\n"
                                              "The chip is partly written: 0x0000\xE2\x80\x93"
                                              "0x([0-9A-F]{4}) of "
                                              "0x0000\xE2\x80\x93"
                                              "0xFFFF; its contents are now mixed\\.\n")))
          << r.Err;
      const size_t last = std::stoul(m[1], nullptr, 16);
      ASSERT_LT(last, kChipSize - 1);
      // The pages sent before the stop reached the chip, and only they.
      const std::string chip = dir.Read("chip.bin");
      ASSERT_EQ(chip.size(), kChipSize);
      EXPECT_EQ(chip.substr(0, last + 1), Image().substr(0, last + 1));
      EXPECT_EQ(chip.substr(last + 1), chipBefore.substr(last + 1));
    }
  }
}

// The firmware update stops between two blocks and says that the firmware is incomplete.
TEST(CliStop, SignalStopsTheFirmwareUpdateBetweenBlocks) {
  TTempDir dir;
  const std::string image = dir.Write("image.bin", std::string(16384, '\x5A'));
  const std::string pack = std::string("'") + TESMARO_BINARY_DIR + "/tesmaro-cli' firmware-pack '" + image + "' '" +
                           dir.File("new.TesmaroUpdatePart") + "'";
  ASSERT_EQ(std::system(pack.c_str()), 0);
  const TSignalledRun r = RunAndSignal(dir, "tesmaro-cli",
                                       {"--simulate", "--sim-latency", "5", "--sim-log", dir.File("sim.log"),
                                        "firmware-update", "--yes", dir.File("new.TesmaroUpdatePart")},
                                       SIGINT, LoggedExchanges(dir, "sim.log", 50));
  EXPECT_TRUE(r.UnderWay);
  EXPECT_EQ(r.ExitCode, 130) << r.Err;
  EXPECT_LT(r.SecondsAfterSignal, 0.9);
  EXPECT_NE(r.Err.find("Operation stopped.\nThe programmer's firmware is incomplete"), std::string::npos) << r.Err;
  std::istringstream log(dir.Read("sim.log"));
  size_t blocks = 0;
  for (std::string line; std::getline(log, line);) blocks += line.find("firmware-block") != std::string::npos;
  EXPECT_GT(blocks, 0u);
  EXPECT_LT(blocks, 504u);
}

// A programmer that stops answering: the signal ends the wait for its answer at once instead of
// after the read's time-out, the chip is still closed (the programmer answers that again) and a
// write still says which range it wrote.
TEST(CliStop, SignalEndsTheWaitForAProgrammerThatDoesNotAnswer) {
  struct TCase {
    const char* Command;
    const char* Expected;  // the end of standard error
  };
  for (const TCase& c : {TCase{"read", ""}, TCase{"write", "its contents are now mixed.\n"}}) {
    SCOPED_TRACE(c.Command);
    TTempDir dir;
    dir.Write("chip.bin", std::string(kChipSize, '\xFF'));
    const std::string image = dir.Write("image.bin", Image());
    const bool write = std::string(c.Command) == "write";
    const TSignalledRun r = RunAndSignal(
        dir, "tesmaro-cli",
        {"--simulate=" + dir.File("chip.bin"), "--sim-latency", "1", "--sim-fault", "noanswer@100", "--sim-log",
         dir.File("sim.log"), "--chip", "24C512", c.Command, write ? image : dir.File("out.bin")},
        SIGINT, LoggedExchanges(dir, "sim.log", 101));
    EXPECT_TRUE(r.UnderWay);
    EXPECT_EQ(r.ExitCode, 130) << r.Err;
    EXPECT_LT(r.SecondsAfterSignal, 1.5);
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
    const std::string err = r.Err + r.Out;
    EXPECT_NE(err.find("Operation stopped."), std::string::npos) << err;
    EXPECT_TRUE(err.ends_with(c.Expected)) << err;
    const std::string log = dir.Read("sim.log");
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.find("noanswer"), std::string::npos);
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    EXPECT_NE(last.find(" 10/2 chip-close"), std::string::npos) << last;
  }
}

}  // namespace
