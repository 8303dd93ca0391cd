// tesmaro-cli on a simulated programmer that misbehaves (--sim-fault, --sim-latency), judged by
// its exit code, its message, the time it took, the files it left and the simulator's log.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <sstream>
#include <thread>

#include "support/run_process.h"
#include "support/wait_until.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream s(text);
  for (std::string line; std::getline(s, line);) out.push_back(line);
  return out;
}

size_t CountEnding(const std::vector<std::string>& lines, const std::string& end) {
  size_t n = 0;
  for (const auto& l : lines) n += l.size() >= end.size() && l.compare(l.size() - end.size(), end.size(), end) == 0;
  return n;
}

const char* const kNoAnswer = "The programmer did not answer. The operation was stopped.";
const char* const kUnplugged = "The programmer was unplugged. The operation was stopped.";

// Exchange 0 is the silent version query at start, 1 the chip-access open; a 24C32 read has 128
// blocks and a write 128 pages after it.
TEST(CliLink, FaultsEndTheCommandWithTheirOwnMessageAndExitCode) {
  struct TCase {
    const char* Command;  // read writes out.bin; write and verify take in.bin
    const char* Fault;
    int Exit;
    const char* Message;
    bool ChipClosed;  // the simulator's last command is the closing chip access
    size_t Writes;    // write commands the simulator took (for the write)
  };
  const TCase cases[] = {
      {"read", "noanswer@100", 4, kNoAnswer, true, 0},          {"read", "late@100", 4, kNoAnswer, true, 0},
      {"read", "unplug@100", 4, kUnplugged, false, 0},          {"read", "refuse-write@100", 4, kNoAnswer, true, 0},
      {"write", "refuse-write@5", 4, kNoAnswer, true, 3},       {"write", "noanswer@40", 4, kNoAnswer, true, 38},
      {"verify", "flip@7", 1, "Verification failed!", true, 0},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(std::string(c.Command) + " " + c.Fault);
    TTempDir dir;
    // A chip image of the 24C32's size that the verify and the write compare with.
    std::string bytes(4096, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + 1);
    dir.Write("chip.bin", bytes);
    dir.Write("in.bin", bytes);
    const std::string file = std::string(c.Command) == "read" ? "out.bin" : "in.bin";
    const std::string args = "--simulate='" + dir.File("chip.bin") + "' --sim-log '" + dir.File("sim.log") +
                             "' --sim-fault " + c.Fault + " --chip 24C32 " + c.Command + " --format bin '" +
                             dir.File(file) + "'";
    const auto t0 = std::chrono::steady_clock::now();
    const TProcessResult r = RunProgram("tesmaro-cli", args);
    const auto elapsed = std::chrono::steady_clock::now() - t0;
    EXPECT_EQ(r.ExitCode, c.Exit) << r.Err;
    EXPECT_NE((r.Out + r.Err).find(c.Message), std::string::npos) << r.Out << r.Err;
    EXPECT_LT(elapsed, std::chrono::milliseconds(2000 + 1000)) << "one time-out and a second at most";
    EXPECT_FALSE(std::filesystem::exists(dir.File("out.bin"))) << "no output file";
    const auto log = Lines(dir.Read("sim.log"));
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(CountEnding({log.back()}, "chip-close"), c.ChipClosed ? 1u : 0u) << log.back();
    EXPECT_EQ(CountEnding(log, " write"), c.Writes);
  }
}

TEST(CliLink, LatencyGivesThePaceOfTheDevice) {
  TTempDir dir;
  const auto t0 = std::chrono::steady_clock::now();
  const TProcessResult r =
      RunProgram("tesmaro-cli", "--simulate --sim-latency 2 --chip 24C32 read '" + dir.File("out.bin") + "'");
  const auto elapsed = std::chrono::steady_clock::now() - t0;
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_GE(elapsed, std::chrono::milliseconds(131 * 2)) << "131 exchanges of 2 ms";
}

TEST(CliLink, SeedIsPrintedAndGivesTheSameChip) {
  TTempDir dir;
  for (const char* out : {"a.bin", "b.bin"}) {
    const TProcessResult r = RunProgram(
        "tesmaro-cli", "--simulate --sim-seed 42 --verbose --chip 24C32 read --format bin '" + dir.File(out) + "'");
    ASSERT_EQ(r.ExitCode, 0) << r.Err;
    EXPECT_NE(r.Err.find("seed 42"), std::string::npos) << r.Err;
  }
  EXPECT_EQ(dir.Read("a.bin"), dir.Read("b.bin"));
  EXPECT_NE(dir.Read("a.bin"), std::string(4096, '\xFF')) << "a fresh chip is not blank";
}

TEST(CliLink, BadSimulatorOptionsAreUsageErrors) {
  for (const char* option : {"--sim-fault slow@3", "--sim-fault noanswer", "--sim-latency -1", "--sim-bogus 1"}) {
    const TProcessResult r = RunProgram("tesmaro-cli", std::string("--simulate ") + option + " version");
    EXPECT_EQ(r.ExitCode, 2) << option;
  }
}

}  // namespace

namespace {

// Two programs simulating the same chip image keep out of each other like two programs on one
// real programmer: the second is turned away with exit code 6 and sends nothing.
TEST(CliLink, SecondProgramOnTheSameSimulatedProgrammerIsTurnedAway) {
  TTempDir dir;
  dir.Write("chip.bin", std::string(4096, 'x'));
  const std::string sim = "--simulate='" + dir.File("chip.bin") + "' ";
  // A read of 131 exchanges of 10 ms each, in the background; once it has logged its first
  // exchanges it holds the programmer.
  const std::string first = std::string("'") + TESMARO_BINARY_DIR + "/tesmaro-cli' " + sim +
                            "--sim-latency 10 --sim-log '" + dir.File("first.log") + "' --chip 24C32 read '" +
                            dir.File("a.bin") + "' >/dev/null 2>&1; echo $? >'" + dir.File("first.rc") + "'";
  ASSERT_EQ(std::system(("(" + first + ") &").c_str()), 0);
  ASSERT_TRUE(WaitUntil([&] { return dir.Read("first.log").find('\n') != std::string::npos; }));
  const TProcessResult second = RunProgram("tesmaro-cli", sim + "--sim-log '" + dir.File("second.log") + "' version");
  EXPECT_EQ(second.ExitCode, 6) << second.Err;
  EXPECT_EQ(second.Err, "tesmaro-cli: The programmer is in use by another program.\n");
  EXPECT_EQ(dir.Read("second.log"), "") << "nothing sent";
  ASSERT_TRUE(WaitUntil([&] { return dir.Read("first.rc").find('\n') != std::string::npos; }));
  EXPECT_EQ(dir.Read("first.rc"), "0\n") << "the first program went on undisturbed";
  EXPECT_EQ(dir.Read("a.bin"), std::string(4096, 'x'));
  // Once the first one ended, the second gets the programmer.
  EXPECT_EQ(RunProgram("tesmaro-cli", sim + "version").ExitCode, 0);
}

}  // namespace
