// A batch that holds up on a bench: stations sharing one serial file, outputs that can't be
// written refused before any exchange, a record that fails after a chip passed, and a log that
// names the image by its SHA-256.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <regex>
#include <set>

#include "support/file_size_limit.h"
#include "support/json_lines.h"
#include "support/run_process.h"

namespace {

std::string Cli() { return std::string("'") + TESMARO_BINARY_DIR + "/tesmaro-cli' "; }

// A 4096-byte image for the 24C32 whose bytes differ from blank.
std::string Image(const TTempDir& dir) {
  std::string image(4096, '\0');
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 13 + 5);
  return dir.Write("image.bin", image);
}

// Every "serial_number" of a log, in the order of its lines.
std::vector<uint64_t> LoggedSerialNumbers(const std::string& log) {
  std::vector<uint64_t> out;
  const std::regex number("\"serial_number\":([0-9]+)");
  for (std::sregex_iterator it(log.begin(), log.end(), number), end; it != end; ++it)
    out.push_back(std::stoull((*it)[1]));
  return out;
}

}  // namespace

// Two stations (processes) take 50 numbers each from one serial file at the same time: every
// number goes to one chip, and together they use 1000 to 1099 without a gap.
TEST(CliBatch, TwoStationsSharingASerialFileNeverGetTheSameNumber) {
  TTempDir dir;
  const std::string image = Image(dir);
  dir.Write("enters", std::string(49, '\n'));  // 50 chips: the first, then one per Enter
  std::string script = "cd '" + dir.Folder() + "' || exit 9\n";
  for (int station : {1, 2})
    script += Cli() + "--simulate=p" + std::to_string(station) + ".bin --chip 24C32 write image.bin --serial 0:1000 " +
              "--serial-file serial.txt --log log.jsonl --repeat <enters >out" + std::to_string(station) + " 2>err" +
              std::to_string(station) + " & ";
  script += "wait";
  ASSERT_EQ(std::system(("sh -c \"" + script + "\"").c_str()), 0);
  for (int station : {1, 2}) {
    const std::string out = dir.Read("out" + std::to_string(station));
    EXPECT_NE(out.find("chips: 50 ok, 0 failed\n"), std::string::npos) << out << dir.Read("err1") << dir.Read("err2");
  }
  const std::vector<uint64_t> numbers = LoggedSerialNumbers(dir.Read("log.jsonl"));
  EXPECT_EQ(numbers.size(), 100u);
  const std::set<uint64_t> distinct(numbers.begin(), numbers.end());
  EXPECT_EQ(distinct.size(), numbers.size()) << "a number went to two chips";
  EXPECT_EQ(*distinct.begin(), 1000u);
  EXPECT_EQ(*distinct.rbegin(), 1099u);
  // Nothing is pending or given back once both are done.
  EXPECT_EQ(dir.Read("serial.txt"), "# next serial number, then numbers given back by failed chips\n1100\n");
}

// An output that can't be written ends the command with exit 3 naming the file before the
// programmer hears anything: the simulated programmer's log stays empty.
TEST(CliBatch, OutputsThatCannotBeWrittenAreRefusedBeforeAnyExchange) {
  TTempDir dir;
  const std::string image = Image(dir);
  std::filesystem::create_directories(dir.File("a folder"));
  const std::string missing = dir.File("missing/x");
  const std::string folder = dir.File("a folder");
  struct Case {
    std::string args;
    std::string named;  // the file the message names
  } cases[] = {
      {"read '" + missing + "'", missing},
      {"read '" + folder + "'", folder},
      {"write '" + image + "' --log '" + missing + "'", missing},
      {"--log '" + folder + "' write '" + image + "'", folder},
      {"write '" + image + "' --serial 0:1 --serial-file '" + missing + "'", missing},
      {"write '" + image + "' --serial 0:1 --serial-file '" + folder + "'", folder},
      {"--all-devices verify '" + image + "' --log '" + missing + "'", missing},
  };
  for (const auto& c : cases) {
    std::remove(dir.File("sim.log").c_str());
    auto r = RunProgram("tesmaro-cli", "--simulate='" + dir.File("chip.bin") + "' --sim-log '" + dir.File("sim.log") +
                                           "' --chip 24C32 " + c.args);
    EXPECT_EQ(r.ExitCode, 3) << c.args << ": " << r.Err;
    EXPECT_NE(r.Err.find(c.named), std::string::npos) << c.args << ": " << r.Err;
    EXPECT_EQ(dir.Read("sim.log"), "") << c.args;
    EXPECT_FALSE(std::filesystem::exists(dir.File("chip.bin"))) << c.args << ": a chip was written";
  }
}

// The log fails after the first chip passed (the disk is full): the batch stops at once with exit
// 3, and the message names the programmer, the outcome and the serial number the chip carries.
TEST(CliBatch, ALogThatFailsAfterAChipPassedStopsTheBatchAndNamesTheChip) {
  TTempDir dir;
  const std::string image = Image(dir);
  dir.Write("log.jsonl", std::string(8000, ' ') + "\n");  // room for no further line
  // An existing chip image: a new one is written whole (1 MiB), past the file size limit below.
  dir.Write("chip.bin", std::string(4096, '\xFF'));
  TProcessResult r;
  {
    TFileSizeLimit full(8192);
    r = RunProgramWithInput("tesmaro-cli",
                            "--simulate='" + dir.File("chip.bin") + "' --chip 24C32 write '" + image +
                                "' --serial 0:1000 --serial-file '" + dir.File("serial.txt") + "' --log '" +
                                dir.File("log.jsonl") + "' --repeat",
                            "\n\n\n");
  }
  EXPECT_EQ(r.ExitCode, 3) << r.Err;
  EXPECT_NE(r.Err.find("sim:1 (SIM0001): the chip's result is ok with serial number 1000, but it could not be "
                       "recorded: Cannot write the log " +
                       dir.File("log.jsonl")),
            std::string::npos)
      << r.Err;
  EXPECT_EQ(r.Err.find("Next chip"), std::string::npos) << "the batch went on: " << r.Err;
  EXPECT_EQ(dir.Read("chip.bin").substr(0, 4), std::string("\xE8\x03\x00\x00", 4));
  // The number went to that chip for good.
  EXPECT_NE(dir.Read("serial.txt").find("\n1001\n"), std::string::npos) << dir.Read("serial.txt");
}

// Every line names the image by the SHA-256 of the bytes written before the serial number was
// stamped in: the same for every chip, and the same as the file's own digest.
TEST(CliBatch, LogNamesTheImageBySha256OfTheBytesBeforeTheSerialNumber) {
  TTempDir dir;
  const std::string image = Image(dir);
  auto r = RunProgram("tesmaro-cli", "--simulate='" + dir.File("p1.bin") + "' --simulate='" + dir.File("p2.bin") +
                                         "' --all-devices --chip 24C32 write '" + image + "' --serial 0:7 --log '" +
                                         dir.File("log") + "'");
  ASSERT_EQ(r.ExitCode, 0) << r.Err;
  FILE* p = popen(("sha256sum '" + image + "'").c_str(), "r");
  ASSERT_NE(p, nullptr);
  char digest[65] = {};
  ASSERT_EQ(fread(digest, 1, 64, p), 64u);
  pclose(p);
  EXPECT_EQ(CheckJsonLines(dir.File("log"), {"image.file", "image.size", "image.checksum", "image.sha256"}), "");
  const std::string log = dir.Read("log");
  const std::string field = "\"sha256\":\"" + std::string(digest) + "\"";
  size_t count = 0;
  for (size_t at = 0; (at = log.find(field, at)) != std::string::npos; at += field.size()) ++count;
  EXPECT_EQ(count, 2u) << log;
  EXPECT_EQ(LoggedSerialNumbers(log).size(), 2u);
}

// Chips that carry their own serial number verify against the image with the field left out
// (--serial or --ignore); the first difference never points into a left-out range.
TEST(CliIgnore, StampedChipsVerifyWithTheFieldLeftOut) {
  TTempDir dir;
  const std::string image = Image(dir);
  const std::string sims = "--simulate='" + dir.File("p1.bin") + "' --simulate='" + dir.File("p2.bin") + "' ";
  ASSERT_EQ(
      RunProgram("tesmaro-cli", sims + "--all-devices --chip 24C32 write '" + image + "' --serial 0x80:500").ExitCode,
      0);
  // Programmer 2 also holds a byte that is wrong, past the field.
  std::string chip2 = dir.Read("p2.bin");
  chip2[0x90] = static_cast<char>(chip2[0x90] ^ 0x55);
  dir.Write("p2.bin", chip2);
  struct Case {
    std::string options;
    int programmer;
    int exitCode;
    const char* firstDifference;  // in the result line or the difference list
  } cases[] = {
      {"", 1, 1, "0x0080: F4 85"},
      {"--serial 0x80:500", 1, 0, ""},
      {"--serial 0x80:1:1:4:le", 1, 0, ""},  // the field's place and width, whatever its number
      {"--ignore 0x80:4", 1, 0, ""},
      {"--ignore 0x80:2 --ignore=0x82:2", 1, 0, ""},
      {"--ignore 0x80:1", 1, 1, "0x0081: 01 92"},
      {"--serial 0x80:500", 2, 1, "0x0090: "},
      {"--all-devices --serial 0x80:500", 2, 1, "sim:2 (SIM0002): different, first difference at 0x0090"},
  };
  for (const auto& c : cases) {
    const std::string device = c.options.find("--all-devices") == std::string::npos
                                   ? "--device SIM000" + std::to_string(c.programmer) + " "
                                   : "";
    auto r = RunProgram("tesmaro-cli", sims + device + "--chip 24C32 verify '" + image + "' " + c.options);
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.options << ": " << r.Err << r.Out;
    if (*c.firstDifference) {
      EXPECT_NE(r.Out.find(c.firstDifference), std::string::npos) << c.options << ": " << r.Out;
      if (!c.options.empty()) {
        EXPECT_EQ(r.Out.find("0x0080: "), std::string::npos) << c.options << ": an ignored byte listed: " << r.Out;
      }
    }
  }
  // compare leaves the same bytes out.
  auto r = RunProgram("tesmaro-cli", "--chip 24C32 compare '" + dir.File("p1.bin") + "' '" + dir.File("p2.bin") +
                                         "' --cut --ignore 0x80:4 --ignore 0x90:1");
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  r = RunProgram("tesmaro-cli", "--chip 24C32 compare '" + dir.File("p1.bin") + "' '" + dir.File("p2.bin") +
                                    "' --cut --ignore 0x80:4");
  EXPECT_EQ(r.ExitCode, 1) << r.Out;
  EXPECT_NE(r.Out.find("0x0090: "), std::string::npos) << r.Out;
  EXPECT_EQ(r.Out.find("0x0080: "), std::string::npos) << r.Out;
}

// write's own check leaves ignored bytes out too: a byte that reads back wrong there passes.
TEST(CliIgnore, WritesCheckLeavesIgnoredBytesOut) {
  TTempDir dir;
  const std::string image = Image(dir);
  // Exchange 150 is the read-back's first block (after the sample read before the write, 18
  // exchanges, and the write): its byte at address 0 comes back inverted.
  const std::string flipped = "--simulate --sim-fault flip@150 --chip 24C32 write '" + image + "' ";
  auto r = RunProgram("tesmaro-cli", flipped);
  ASSERT_EQ(r.ExitCode, 1) << r.Err << r.Out;
  EXPECT_NE(r.Out.find("0x0000: FA 05"), std::string::npos) << r.Out;
  r = RunProgram("tesmaro-cli", flipped + "--ignore 0:1");
  EXPECT_EQ(r.ExitCode, 0) << r.Err << r.Out;
}

TEST(CliIgnore, RangesOutsideTheChipOrWithoutALengthAreUsageErrors) {
  TTempDir dir;
  const std::string image = Image(dir);
  struct Case {
    const char* option;
    const char* error;
  } cases[] = {
      {"--ignore 0x80", "--ignore needs ADDR:LEN"},
      {"--ignore 0x80:0", "--ignore needs ADDR:LEN"},
      {"--ignore x:1", "--ignore needs ADDR:LEN"},
      {"--ignore 4094:4", "--ignore 4094:4 reaches past the end of the chip (4096 bytes)"},
      {"--serial 0xFFE:1", "--serial 0xFFE:1 reaches past the end of the chip (4096 bytes)"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", "--simulate --chip 24C32 verify '" + image + "' " + c.option);
    EXPECT_EQ(r.ExitCode, 2) << c.option;
    EXPECT_NE(r.Err.find(c.error), std::string::npos) << c.option << ": " << r.Err;
  }
}
