// tesmaro-cli stopped by SIGINT or SIGTERM in the middle of a slowed simulated operation: it ends
// after the current exchange with the chip closed, writes no output file and exits 128 + signal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <thread>
#include <vector>

#include "support/temp_dir.h"
#include "support/wait_until.h"

namespace {

struct TRun {
  int ExitCode = -1;
  bool UnderWay = false;  // the command had got as far as asked when the signal went
  double SecondsAfterSignal = 0;
  std::string Out, Err;
};

// The lines the simulated programmer has logged so far: one per exchange.
size_t LoggedLines(const TTempDir& dir) {
  const std::string log = dir.Read("sim.log");
  return static_cast<size_t>(std::count(log.begin(), log.end(), '\n'));
}

// Runs tesmaro-cli with args (logging to sim.log), sends signal once the simulated programmer has
// logged `exchanges` lines, and waits for the end.
TRun RunAndSignal(const TTempDir& dir, const std::vector<std::string>& args, int signal, size_t exchanges) {
  const std::string program = std::string(TESMARO_BINARY_DIR) + "/tesmaro-cli";
  const std::string out = dir.File("stdout"), err = dir.File("stderr");
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  const bool underWay = WaitUntil([&] { return LoggedLines(dir) >= exchanges; });
  const auto sent = std::chrono::steady_clock::now();
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  TRun r;
  r.UnderWay = underWay;
  r.SecondsAfterSignal = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = dir.Read("stdout");
  r.Err = dir.Read("stderr");
  return r;
}

constexpr size_t kChipSize = 65536;  // 24C512: 2048 exchanges, about 2 s at 1 ms each

std::string Image() {
  std::string s(kChipSize, '\0');
  for (size_t i = 0; i < kChipSize; ++i) s[i] = static_cast<char>(i * 11 + (i >> 8) + 1);
  return s;
}

// Each command, stopped by each signal about half-way: the exit code says which signal, the
// command ended long before the rest of its exchanges would have, and nothing was left behind.
TEST(CliStop, SignalStopsTheCommandAfterTheCurrentExchange) {
  struct TCase {
    const char* Command;
    int Signal;
    int Exit;
  };
  for (const TCase& c : {TCase{"read", SIGINT, 130}, TCase{"write", SIGTERM, 143}, TCase{"verify", SIGINT, 130}}) {
    SCOPED_TRACE(c.Command);
    TTempDir dir;
    const std::string chipBefore(kChipSize, '\xFF');
    dir.Write("chip.bin", chipBefore);
    const std::string image = dir.Write("image.bin", Image());
    const std::string file = std::string(c.Command) == "read" ? dir.File("out.bin") : image;
    const TRun r = RunAndSignal(dir,
                                {"--simulate=" + dir.File("chip.bin"), "--sim-latency", "1", "--sim-log",
                                 dir.File("sim.log"), "--chip", "24C512", c.Command, file},
                                c.Signal, 500);
    EXPECT_TRUE(r.UnderWay);
    EXPECT_EQ(r.ExitCode, c.Exit) << r.Err;
    EXPECT_LT(r.SecondsAfterSignal, 0.9);
    EXPECT_EQ(r.Out, "Operation stopped.\n");
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin")));
    // The simulator saw the chip closed last.
    const std::string log = dir.Read("sim.log");
    ASSERT_FALSE(log.empty());
    const std::string last = log.substr(log.rfind('\n', log.size() - 2) + 1);
    EXPECT_NE(last.find(" 10/2 chip-close"), std::string::npos) << last;
    if (std::string(c.Command) == "write") {
      // The pages sent before the stop reached the chip; the rest is still blank.
      const std::string chip = dir.Read("chip.bin");
      ASSERT_EQ(chip.size(), kChipSize);
      EXPECT_EQ(chip.substr(0, 32), Image().substr(0, 32));
      EXPECT_EQ(chip.substr(kChipSize - 32), chipBefore.substr(kChipSize - 32));
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
  const TRun r = RunAndSignal(dir,
                              {"--simulate", "--sim-latency", "5", "--sim-log", dir.File("sim.log"), "firmware-update",
                               "--yes", dir.File("new.TesmaroUpdatePart")},
                              SIGINT, 50);
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

}  // namespace
