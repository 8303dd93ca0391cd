// tesmaro-cli on a simulated programmer that misbehaves (--sim-fault, --sim-latency), judged by
// its exit code, its message, the time it took, the files it left and the simulator's log.
#include <gtest/gtest.h>

#include <algorithm>
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
const char* const kBadReply = "The programmer sent a malformed reply.";

// Exchange 0 is the silent version query at start, 1 the chip-access open; a 24C32 read has 128
// blocks and a write 128 pages after it. A write first reads a sample of the chip (exchanges 1-18).
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
      {"read", "noanswer@100", 4, kNoAnswer, true, 0},
      {"read", "late@100", 4, kNoAnswer, true, 0},
      {"read", "unplug@100", 4, kUnplugged, false, 0},
      {"read", "refuse-write@100", 4, kNoAnswer, true, 0},
      {"write", "refuse-write@23", 4, kNoAnswer, true, 3},
      {"write", "noanswer@58", 4, kNoAnswer, true, 38},
      {"verify", "flip@7", 1, "Verification failed!", true, 0},
      {"read", "short@100", 4, kBadReply, true, 0},
      {"write", "short@58", 4, kBadReply, true, 38},
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

// A short reply to the version query is not taken for a version (exchange 0 is the silent query
// at start, 1 the command's own).
TEST(CliLink, ShortVersionReplyIsAMalformedReply) {
  const TProcessResult r = RunProgram("tesmaro-cli", "--simulate --sim-fault short@1 version");
  EXPECT_EQ(r.ExitCode, 4) << r.Err;
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, std::string("tesmaro-cli: ") + kBadReply + "\n");
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

// Every seed --verbose prints replays: the same seed gives the same chip, 64-bit seeds included,
// and a chip from a random seed is the chip its printed seed gives.
TEST(CliLink, SeedIsPrintedAndGivesTheSameChip) {
  TTempDir dir;
  auto read = [&](const std::string& seedOption, const std::string& out) {
    const TProcessResult r =
        RunProgram("tesmaro-cli",
                   "--simulate " + seedOption + " --verbose --chip 24C32 read --format bin '" + dir.File(out) + "'");
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    const size_t at = r.Err.find("seed ");
    return at == std::string::npos ? std::string() : r.Err.substr(at + 5, r.Err.find('\n', at) - at - 5);
  };
  for (const std::string seed : {"42", "4294967295", "9876543210", "18446744073709551615"}) {
    SCOPED_TRACE(seed);
    EXPECT_EQ(read("--sim-seed " + seed, "a.bin"), seed);
    EXPECT_EQ(read("--sim-seed " + seed, "b.bin"), seed);
    EXPECT_EQ(dir.Read("a.bin"), dir.Read("b.bin"));
    EXPECT_NE(dir.Read("a.bin"), std::string(4096, '\xFF')) << "a fresh chip is not blank";
  }
  const std::string printed = read("", "random.bin");
  ASSERT_FALSE(printed.empty());
  EXPECT_EQ(read("--sim-seed " + printed, "replay.bin"), printed);
  EXPECT_EQ(dir.Read("random.bin"), dir.Read("replay.bin")) << "seed " << printed;
}

TEST(CliLink, BadSimulatorOptionsAreUsageErrors) {
  for (const char* option : {"--sim-fault slow@3", "--sim-fault noanswer", "--sim-latency -1", "--sim-bogus 1",
                             "--sim-seed 18446744073709551616", "--sim-seed -1"}) {
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
  // A read of 131 exchanges of 20 ms each, in the background. The programmer is held for each
  // operation, not between them: the version query at start (exchange 0) is one, the read
  // (exchanges 1 to 130) the next. Once the read's first block is logged, the read holds the
  // programmer for 2.5 s more.
  const std::string first = std::string("'") + TESMARO_BINARY_DIR + "/tesmaro-cli' " + sim +
                            "--sim-latency 20 --sim-log '" + dir.File("first.log") + "' --chip 24C32 read '" +
                            dir.File("a.bin") + "' >/dev/null 2>&1; echo $? >'" + dir.File("first.rc") + "'";
  ASSERT_EQ(std::system(("(" + first + ") &").c_str()), 0);
  ASSERT_TRUE(WaitUntil([&] {
    const std::string log = dir.Read("first.log");
    return std::count(log.begin(), log.end(), '\n') >= 3;
  }));
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

namespace {

// Two writes to an image that does not exist yet: the first program creates it, whole and locked,
// before its first exchange, so the two keep out of each other as on one real programmer. One
// writes the chip, the other is turned away with exit code 6.
TEST(CliLink, TwoWritesToANewImageOneGetsTheProgrammer) {
  TTempDir dir;
  std::string bytes(4096, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 5 + 3);
  dir.Write("in.bin", bytes);
  auto write = [&](const char* rc) {
    return std::string("'") + TESMARO_BINARY_DIR + "/tesmaro-cli' --simulate='" + dir.File("new.bin") +
           "' --sim-latency 2 --chip 24C32 write '" + dir.File("in.bin") + "' >/dev/null 2>&1; echo $? >'" +
           dir.File(rc) + "'";
  };
  ASSERT_EQ(std::system(("(" + write("a.rc") + ") & (" + write("b.rc") + ") & wait").c_str()), 0);
  std::vector<std::string> codes{dir.Read("a.rc"), dir.Read("b.rc")};
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(codes, (std::vector<std::string>{"0\n", "6\n"}));
  const std::string image = dir.Read("new.bin");
  EXPECT_EQ(image.size(), 1u << 20) << "written in full";
  EXPECT_EQ(image.substr(0, 4096), bytes);
}

}  // namespace

namespace {

// Two processes on one image, as two programs on one programmer: one waits between two verifies
// of a batch (holding the programmer open, as the window does), the other writes the chip
// meanwhile; the first one's next verify reads what the other wrote.
TEST(CliLink, AWriteByOneProgramIsWhatTheOthersNextReadGives) {
  TTempDir dir;
  std::string before(4096, 'a'), after(4096, '\0');
  for (size_t i = 0; i < after.size(); ++i) after[i] = static_cast<char>(i * 11 + 7);
  dir.Write("chip.bin", before);
  dir.Write("after.bin", after);
  const std::string cli = std::string("'") + TESMARO_BINARY_DIR + "/tesmaro-cli' --simulate=chip.bin --chip 24C32 ";
  const std::string script = "set -m\ncd '" + dir.Folder() + "' || exit 1\nmkfifo in || exit 1\nexec 3<>in\n" + cli +
                             "verify after.bin --repeat <in >out 2>err & p=$!\n"
                             "for i in $(seq 200); do grep -q 'Next chip' err && break; sleep 0.05; done\n" +
                             cli + "write after.bin >/dev/null 2>&1; echo $? >write.rc\n" +
                             "echo >&3\nfor i in $(seq 200); do [ $(grep -c 'Next chip' err) -ge 2 ] && break; "
                             "sleep 0.05; done\necho q >&3\nwait $p\necho $? >rc";
  ASSERT_EQ(std::system(("bash -c \"$(cat <<'EOF'\n" + script + "\nEOF\n)\"").c_str()), 0);
  EXPECT_EQ(dir.Read("write.rc"), "0\n");
  const std::string out = dir.Read("out");
  const size_t first = out.find("different"), second = out.find(": ok,");
  EXPECT_NE(first, std::string::npos) << out;
  EXPECT_NE(second, std::string::npos) << out;
  EXPECT_LT(first, second) << out;
  EXPECT_NE(out.find("chips: 1 ok, 1 failed"), std::string::npos) << out;
}

}  // namespace
