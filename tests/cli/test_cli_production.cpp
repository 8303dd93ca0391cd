// tesmaro-cli on a production line: several simulated programmers listed and chosen, a write on
// all of them with serial numbers and a log, and the batch loop driven through standard input.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <sstream>

#include "support/json_lines.h"
#include "support/run_process.h"
#include "support/signalled_run.h"

namespace {

// "--simulate=DIR/sN.bin" for each of n simulated programmers.
std::string Simulate(const TTempDir& dir, int n) {
  std::string s;
  for (int i = 1; i <= n; ++i) s += "--simulate='" + dir.File("s" + std::to_string(i) + ".bin") + "' ";
  return s;
}

// The 24C64's part of programmer n's chip image (a new image holds the whole simulated chip).
std::string Chip(const TTempDir& dir, int n) { return dir.Read("s" + std::to_string(n) + ".bin").substr(0, 8192); }

// An 8192-byte image for the 24C64 whose bytes differ from blank and from each other.
std::string Image(const TTempDir& dir) {
  std::string image(8192, '\0');
  for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<char>(i * 13 + 5);
  return dir.Write("image.bin", image);
}

}  // namespace

TEST(CliProgrammers, DevicesListsEveryProgrammerWithSerialBusAndFirmware) {
  TTempDir dir;
  auto r = RunProgram("tesmaro-cli", Simulate(dir, 3) + "devices");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "sim:1  serial SIM0001  bus sim-1  firmware 1.7\n"
            "sim:2  serial SIM0002  bus sim-2  firmware 1.7\n"
            "sim:3  serial SIM0003  bus sim-3  firmware 1.7\n");
}

TEST(CliProgrammers, DeviceChoosesByNodeSerialOrBusPathAndSeveralWithoutItAreRefused) {
  TTempDir dir;
  dir.Write("s1.bin", std::string(8192, '\x11'));
  dir.Write("s2.bin", std::string(8192, '\x22'));
  const std::string sims = Simulate(dir, 2) + "--chip 24C64 ";
  struct Case {
    const char* options;
    int exitCode;
    char chipByte;      // what the read finds: which programmer was used
    const char* error;  // in standard error
  } cases[] = {
      {"--device sim:1", 0, '\x11', ""},
      {"--device SIM0002", 0, '\x22', ""},
      {"--device sim-2", 0, '\x22', ""},
      {"--device=SIM0001", 0, '\x11', ""},
      {"", 2, 0, "several programmers are connected; choose one with --device"},
      {"--device SIM0009", 4, 0, "no connected programmer matches --device SIM0009"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", sims + c.options + " read '" + dir.File("out.bin") + "'");
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.options << ": " << r.Err;
    EXPECT_NE(r.Err.find(c.error), std::string::npos) << c.options << ": " << r.Err;
    if (c.exitCode == 0) {
      EXPECT_EQ(dir.Read("out.bin"), std::string(8192, c.chipByte)) << c.options;
    } else {
      // The refusal lists the programmers to choose from.
      EXPECT_NE(r.Err.find("  sim:1  serial SIM0001  bus sim-1\n  sim:2  serial SIM0002  bus sim-2"), std::string::npos)
          << r.Err;
    }
    std::remove(dir.File("out.bin").c_str());
  }
}

// doctor with several programmers checks each one and names the one that is not well, or only
// the one --device names.
TEST(CliProgrammers, DoctorChecksEveryProgrammerAndNamesTheSickOne) {
  TTempDir dir;
  const std::string sims = "--simulate='" + dir.File("s1.bin") + "' --simulate='" + dir.File("s2.bin") +
                           "' --sim-fault noanswer@0 --simulate='" + dir.File("s3.bin") + "' ";
  auto all = RunProgram("tesmaro-cli", sims + "doctor");
  EXPECT_EQ(all.ExitCode, 4) << all.Err;
  EXPECT_EQ(std::count(all.Out.begin(), all.Out.end(), '['), 3 * 6 - 1) << all.Out;  // the sick one stops early
  EXPECT_NE(all.Out.find("[FAILED] Version"), std::string::npos) << all.Out;
  EXPECT_NE(all.Out.find("\nNot well: sim:2. The other programmers are well.\n"), std::string::npos) << all.Out;

  auto quiet = RunProgram("tesmaro-cli", sims + "doctor --quiet");
  EXPECT_EQ(quiet.ExitCode, 4);
  EXPECT_NE(quiet.Err.find("tesmaro-cli: sim:2: Version: "), std::string::npos) << quiet.Err;

  auto json = RunProgram("tesmaro-cli", sims + "doctor --json");
  EXPECT_EQ(json.ExitCode, 4);
  EXPECT_EQ(json.Out.rfind("{\"programmers\":[{\"result\":\"ok\"", 0), 0u) << json.Out;
  EXPECT_NE(json.Out.find("{\"result\":\"version\",\"exit_code\":4,\"node\":\"sim:2\""), std::string::npos) << json.Out;

  auto chosen = RunProgram("tesmaro-cli", sims + "doctor --device sim:3");
  EXPECT_EQ(chosen.ExitCode, 0) << chosen.Out;
  EXPECT_NE(chosen.Out.find("HID node: sim:3."), std::string::npos) << chosen.Out;
  EXPECT_EQ(chosen.Out.find("sim:2"), std::string::npos) << chosen.Out;
  auto well = RunProgram("tesmaro-cli", "--simulate --simulate doctor");
  EXPECT_EQ(well.ExitCode, 0);
  EXPECT_NE(well.Out.find("\nAll 2 programmers are well.\n"), std::string::npos) << well.Out;
}

TEST(CliProgrammers, OptionsThatDoNotGoTogetherAreUsageErrors) {
  TTempDir dir;
  const std::string image = Image(dir);
  struct Case {
    std::string args;
    const char* error;
  } cases[] = {
      {"--all-devices version", "--all-devices works with write, verify"},
      {"--all-devices --device sim:1 write " + image, "exclude each other"},
      {"read x.bin --log l", "unknown option --log"},
      {"verify " + image + " --serial-file s.txt", "unknown option --serial-file"},
      {"write " + image + " --serial-file s.txt", "--serial-file needs --serial"},
      {"write " + image + " --serial 8189:1",
       "the serial field 0x1FFD-0x2000 does not fit in chip 24C64 of 8192 bytes"},
      {"write " + image + " --serial 0:256:1:1", "serial number 256 does not fit in 1 bytes of le"},
      {"write " + image + " --serial 0:1000:1:3:ascii", "serial number 1000 does not fit in 3 digits of ascii"},
      {"write " + image + " --serial 0:1:1:4:hex", "FORMAT must be le, be, ascii or bcd"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", Simulate(dir, 2) + "--chip 24C64 " + c.args);
    EXPECT_EQ(r.ExitCode, 2) << c.args;
    EXPECT_NE(r.Err.find(c.error), std::string::npos) << c.args << ": " << r.Err;
  }
  // Nothing was written by a refused command.
  EXPECT_FALSE(std::filesystem::exists(dir.File("s1.bin")));
}

TEST(CliGang, WriteStampsEachProgrammerItsOwnNumberInEveryFormatAtTheChipsEnd) {
  struct Case {
    const char* serial;
    std::vector<std::string> fields;  // the last bytes of programmer 1..4's chip
  } cases[] = {
      {"8188:0x01020304", {"\x04\x03\x02\x01", "\x05\x03\x02\x01", "\x06\x03\x02\x01", "\x07\x03\x02\x01"}},
      {"8190:0xFFFD:1:2:be", {"\xFF\xFD", "\xFF\xFE", "\xFF\xFF", ""}},  // the fourth number does not fit
      {"8186:99:5:6:ascii", {"000099", "000104", "000109", "000114"}},
      {"8189:9998:1:3:bcd",
       {std::string("\x00\x99\x98", 3), std::string("\x00\x99\x99", 3), std::string("\x01\x00\x00", 3),
        std::string("\x01\x00\x01", 3)}},
  };
  for (const auto& c : cases) {
    TTempDir dir;
    const std::string image = Image(dir);
    auto r = RunProgram("tesmaro-cli",
                        Simulate(dir, 4) + "--all-devices --chip 24C64 write '" + image + "' --serial " + c.serial);
    const bool runsOut = c.fields.back().empty();
    EXPECT_EQ(r.ExitCode, runsOut ? 2 : 0) << c.serial << ": " << r.Err;
    if (runsOut) {
      EXPECT_NE(r.Err.find("the next serial number does not fit"), std::string::npos) << r.Err;
      EXPECT_NE(Chip(dir, 1), dir.Read("image.bin"));  // no chip was written
      continue;
    }
    for (int p = 1; p <= 4; ++p) {
      const std::string chip = Chip(dir, p);
      const std::string& field = c.fields[p - 1];
      ASSERT_EQ(chip.size(), 8192u) << c.serial;
      EXPECT_EQ(chip.substr(8192 - field.size()), field) << c.serial << " programmer " << p;
      EXPECT_EQ(chip.substr(0, 8192 - field.size()), dir.Read("image.bin").substr(0, 8192 - field.size()));
    }
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 5) << r.Out;
    EXPECT_NE(r.Out.find("sim:3 (SIM0003): ok, serial "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("4 programmers: 4 ok, 0 failed\n"), std::string::npos) << r.Out;
  }
}

TEST(CliGang, LogHasOneParsableLinePerProgrammerAndOperation) {
  TTempDir dir;
  const std::string image = Image(dir);
  const std::string log = dir.File("production log.jsonl");
  auto w = RunProgram("tesmaro-cli", Simulate(dir, 3) + "--all-devices --chip 24C64 write '" + image +
                                         "' --serial 8188:500 --log '" + log + "'");
  ASSERT_EQ(w.ExitCode, 0) << w.Err;
  auto v = RunProgram("tesmaro-cli",
                      Simulate(dir, 3) + "--device SIM0002 --chip 24C64 verify '" + image + "' --log '" + log + "'");
  // The chip holds its serial number where the image does not: a difference at the field.
  EXPECT_EQ(v.ExitCode, 1) << v.Err;
  EXPECT_NE(v.Out.find("sim:2 (SIM0002): different, first difference at 0x1FFC"), std::string::npos) << v.Out;
  EXPECT_EQ(CheckJsonLines(
                log, {"time", "operation", "chip", "programmer.node", "programmer.serial", "image.file", "image.size",
                      "image.checksum", "serial_number", "result", "first_difference", "duration_ms"}),
            "");
  const std::string text = dir.Read("production log.jsonl");
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 4);
  for (const char* part :
       {"\"programmer\":{\"node\":\"sim:2\",\"serial\":\"SIM0002\"}", "\"serial_number\":501", "\"size\":8192",
        "\"operation\":\"verify\"", "\"serial_number\":null,\"result\":\"different\",\"first_difference\":8188"})
    EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
}

// Only an empty line programs the next chip; a stop word ends the batch; anything else programs
// nothing and asks again.
TEST(CliRepeat, OneChipPerEnterUntilQOrEndOfInput) {
  struct Case {
    const char* input;
    int chips;
    int ignored = 0;  // answers that only brought the question back
  } cases[] = {
      {"\n\nq\n", 3},      {"\n", 2},     {"", 1},     {"Q\n", 1},      {"quit\n\n", 1},
      {" STOP \n", 1},     {"Exit\n", 1}, {"\r\n", 2}, {"x\n\n", 2, 1}, {"next\nyes\nq\n", 1, 2},
      {"qq\n \n\n", 2, 2},
  };
  for (const auto& c : cases) {
    TTempDir dir;
    const std::string image = Image(dir);
    auto r = RunProgramWithInput("tesmaro-cli",
                                 Simulate(dir, 1) + "--chip 24C64 write '" + image + "' --repeat --serial 0:7:1:1 " +
                                     "--serial-file '" + dir.File("serial") + "' --log '" + dir.File("log") + "'",
                                 c.input);
    EXPECT_EQ(r.ExitCode, 0) << r.Err;
    std::string expected;
    for (int i = 0; i < c.chips; ++i) expected += "ok, serial " + std::to_string(7 + i);
    std::string got;
    for (size_t at = 0; (at = r.Out.find("ok, serial ", at)) != std::string::npos; at += 11)
      got += r.Out.substr(at, 12);
    EXPECT_EQ(got, expected) << r.Out;
    EXPECT_NE(r.Out.find("chips: " + std::to_string(c.chips) + " ok, 0 failed\n"), std::string::npos) << r.Out;
    size_t prompts = 0;
    for (size_t at = 0; (at = r.Err.find("Next chip", at)) != std::string::npos; ++at) ++prompts;
    EXPECT_EQ(prompts, static_cast<size_t>(c.chips + c.ignored)) << c.input << ": " << r.Err;
    EXPECT_NE(dir.Read("serial").find("\n" + std::to_string(7 + c.chips) + "\n"), std::string::npos);
    EXPECT_EQ(Chip(dir, 1)[0], static_cast<char>(7 + c.chips - 1));
  }
}

TEST(CliRepeat, CtrlCWhileWaitingForTheOperatorEndsTheLoopWithTheSummary) {
  TTempDir dir;
  const std::string image = Image(dir);
  // Job control on: a script's background command would otherwise start with SIGINT ignored,
  // and a signal the program was started ignoring stays ignored.
  const std::string script =
      "set -m\ncd '" + dir.Folder() + "' || exit 1\nmkfifo in || exit 1\nexec 3<>in\n'" + TESMARO_BINARY_DIR +
      "/tesmaro-cli' " + Simulate(dir, 2) +
      "--all-devices --chip 24C64 verify image.bin --repeat <in >out 2>err & p=$!\n" +
      "for i in $(seq 200); do grep -q 'Next chip' err && break; sleep 0.05; done; kill -INT $p\nwait $p\necho $? >rc";
  ASSERT_EQ(std::system(("bash -c \"$(cat <<'EOF'\n" + script + "\nEOF\n)\"").c_str()), 0);
  EXPECT_EQ(dir.Read("rc"), "130\n") << dir.Read("err");
  // Blank chips differ from the image: each programmer's line, the round's summary and the batch's.
  EXPECT_NE(dir.Read("out").find("2 programmers: 0 ok, 2 failed\nchips: 0 ok, 2 failed\n"), std::string::npos)
      << dir.Read("out");
}

// A failed chip's number is given back only when no byte of its field reached the chip; a chip
// written whole that then differs carries its number: spent.
TEST(CliGang, OneProgrammerFailingIsReportedWhileTheOthersPassAndItsNumberIsNotUsedUp) {
  struct Case {
    const char* fault;  // on the second of three programmers
    int exitCode;
    const char* line;
    bool spent;
  } cases[] = {
      {"unplug@10", 4, "sim:2 (SIM0002): unplugged, serial 41, ", false},
      // The write's sample read before it is exchanges 1-18, so the read-back's block 10 is 287.
      {"flip@287", 1, "sim:2 (SIM0002): different, serial 41, first difference at 0x0140, ", true},
      {"noanswer@10", 4, "sim:2 (SIM0002): no-answer, serial 41, ", false},
  };
  for (const auto& c : cases) {
    TTempDir dir;
    const std::string image = Image(dir);
    const std::string serial = dir.Write("serial.txt", "40\n");
    const std::string sims = "--simulate='" + dir.File("s1.bin") + "' --simulate='" + dir.File("s2.bin") +
                             "' --sim-fault " + c.fault + " --simulate='" + dir.File("s3.bin") + "' ";
    auto r = RunProgram("tesmaro-cli", sims + "--all-devices --chip 24C64 write '" + image +
                                           "' --serial 8188:0:1:4:ascii --serial-file '" + serial + "' --log '" +
                                           dir.File("log") + "'");
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.fault << ": " << r.Err;
    EXPECT_NE(r.Out.find("sim:1 (SIM0001): ok, serial 40, "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(c.line), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("sim:3 (SIM0003): ok, serial 42, "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find("3 programmers: 2 ok, 1 failed\n"), std::string::npos) << r.Out;
    EXPECT_EQ(Chip(dir, 1).substr(8188), "0040");
    EXPECT_EQ(Chip(dir, 3).substr(8188), "0042");
    // 41 went to no chip for good: it is the next one handed out.
    EXPECT_NE(dir.Read("serial.txt").find(c.spent ? "\n43\n" : "\n43 41\n"), std::string::npos)
        << dir.Read("serial.txt");
    EXPECT_EQ(CheckJsonLines(dir.File("log"), {"result", "serial_number", "number", "first_difference"}), "");
    EXPECT_NE(dir.Read("log").find(c.spent ? "\"number\":\"spent\"" : "\"number\":\"given-back\""), std::string::npos);

    auto again = RunProgram("tesmaro-cli", "--simulate='" + dir.File("s2.bin") + "' --chip 24C64 write '" + image +
                                               "' --serial 8188:0:1:4:ascii --serial-file '" + serial + "'");
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_EQ(Chip(dir, 2).substr(8188), c.spent ? "0043" : "0041");
    EXPECT_NE(dir.Read("serial.txt").find(c.spent ? "\n44\n" : "\n43\n"), std::string::npos) << dir.Read("serial.txt");
  }
}

// Erase and blank check run on every programmer too: the erased chips read back blank, and a chip
// that is not blank is reported with its first byte that is not FF.
TEST(CliGang, EraseAndBlankCheckOnEveryProgrammer) {
  TTempDir dir;
  const std::string image = Image(dir);
  ASSERT_EQ(RunProgram("tesmaro-cli", Simulate(dir, 2) + "--all-devices --chip 24C64 write '" + image + "'").ExitCode,
            0);
  auto notBlank = RunProgram("tesmaro-cli", Simulate(dir, 2) + "--all-devices --chip 24C64 blank-check");
  EXPECT_EQ(notBlank.ExitCode, 1) << notBlank.Err;
  EXPECT_NE(notBlank.Out.find("sim:1 (SIM0001): different"), std::string::npos) << notBlank.Out;
  EXPECT_NE(notBlank.Out.find("first difference at 0x0000"), std::string::npos) << notBlank.Out;

  auto unconfirmed = RunProgram("tesmaro-cli", Simulate(dir, 2) + "--all-devices --chip 24C64 erase </dev/null");
  EXPECT_EQ(unconfirmed.ExitCode, 2) << unconfirmed.Err;
  EXPECT_EQ(Chip(dir, 1).substr(0, 16), dir.Read("image.bin").substr(0, 16));

  auto erase = RunProgram("tesmaro-cli", Simulate(dir, 2) + "--all-devices --chip 24C64 erase --yes");
  EXPECT_EQ(erase.ExitCode, 0) << erase.Err << erase.Out;
  EXPECT_NE(erase.Out.find("2 programmers: 2 ok, 0 failed"), std::string::npos) << erase.Out;
  for (int n : {1, 2}) EXPECT_EQ(Chip(dir, n).substr(0, 8192), std::string(8192, '\xFF'));
  auto blank = RunProgram("tesmaro-cli", Simulate(dir, 2) + "--all-devices --chip 24C64 blank-check");
  EXPECT_EQ(blank.ExitCode, 0) << blank.Err << blank.Out;
}

// SIGTERM or SIGINT during a logged, serial-stamped write: the write ends after its current
// exchange with the chip closed, the log line says "stopped" with the range written, the serial
// number, whose field was written, is spent (the next run stamps the next one), and the run ends
// with 128 + the signal.
TEST(CliGang, ASignalStopsALoggedSerialStampedWriteAfterTheCurrentExchange) {
  for (const auto& [signal, exitCode] : {std::pair{SIGTERM, 143}, std::pair{SIGINT, 130}}) {
    SCOPED_TRACE(signal);
    TTempDir dir;
    std::string bytes(65536, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 3 + 1);
    const std::string image = dir.Write("image.bin", bytes);
    const std::string serial = dir.Write("serial.txt", "7\n");
    dir.Write("s1.bin", std::string(65536, '\xFF'));
    const std::vector<std::string> args = {"--simulate=" + dir.File("s1.bin"),
                                           "--chip",
                                           "24C512",
                                           "write",
                                           image,
                                           "--serial",
                                           "0:7",
                                           "--serial-file",
                                           serial,
                                           "--log",
                                           dir.File("log")};
    std::vector<std::string> slow = args;
    slow.insert(slow.begin(), {"--sim-latency", "1", "--sim-log", dir.File("sim.log")});
    const TSignalledRun r = RunAndSignal(dir, "tesmaro-cli", slow, signal, LoggedExchanges(dir, "sim.log", 500));
    EXPECT_TRUE(r.UnderWay);
    EXPECT_EQ(r.ExitCode, exitCode) << r.Err;
    EXPECT_LT(r.SecondsAfterSignal, 0.5);
    EXPECT_NE(r.Out.find("sim:1 (SIM0001): stopped, serial 7, "), std::string::npos) << r.Out;
    EXPECT_NE(r.Out.find(". The chip is partly written: 0x0000\xE2\x80\x93"), std::string::npos) << r.Out;
    EXPECT_EQ(CheckJsonLines(dir.File("log"), {"result", "written", "serial_number"}), "");
    const std::string log = dir.Read("log");
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 1) << log;
    EXPECT_NE(log.find("\"serial_number\":7,\"result\":\"stopped\""), std::string::npos) << log;
    const size_t at = log.find("\"written\":[0,");
    ASSERT_NE(at, std::string::npos) << log;
    EXPECT_LT(std::stoul(log.substr(at + 13)), 65535u) << "partly";
    // The field's bytes reached the chip: the number is spent, never handed out again.
    EXPECT_NE(log.find("\"result\":\"stopped\",\"number\":\"spent\""), std::string::npos) << log;
    std::istringstream numbers(dir.Read("serial.txt"));
    std::vector<std::string> left;
    for (std::string line; std::getline(numbers, line);)
      if (line.rfind('#', 0) != 0)
        for (std::istringstream words(line); words >> line;) left.push_back(line);
    EXPECT_EQ(std::find(left.begin(), left.end(), "7"), left.end()) << dir.Read("serial.txt");

    const TProcessResult again = RunProgram(
        "tesmaro-cli", "'" + [&] {
          std::string joined;
          for (const auto& a : args) joined += (joined.empty() ? "" : "' '") + a;
          return joined;
        }() + "'");
    EXPECT_EQ(again.ExitCode, 0) << again.Err;
    EXPECT_NE(again.Out.find("ok, serial 8, "), std::string::npos) << again.Out;
  }
}

namespace {

// Starts "<build folder>/tesmaro-cli args..." with its output in dir's files NAME.out and NAME.err.
pid_t StartCli(const TTempDir& dir, const std::string& name, const std::vector<std::string>& args) {
  const std::string path = std::string(TESMARO_BINARY_DIR) + "/tesmaro-cli";
  const std::string out = dir.File(name + ".out"), err = dir.File(name + ".err");
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    dup2(open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 1);
    dup2(open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644), 2);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  return pid;
}

int WaitCli(pid_t pid) {
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// The numbers a run reported as "written, result unknown", joined with commas.
std::string ReportedUnknown(const std::string& err) {
  const std::string mark = "(written, result unknown): ";
  std::string out;
  for (size_t at = err.find(mark); at != std::string::npos; at = err.find(mark, at + 1)) {
    const size_t from = at + mark.size();
    for (char c : err.substr(from, err.find('.', from) - from))
      if (c != ' ') out += c;
    out += ',';
  }
  return out;
}

// The serial accounting check's summary and problems; its exit code in ok.
std::string Accounting(const TTempDir& dir, const std::string& reported, int chips, bool& ok) {
  std::string cmd = std::string("python3 '") + TESMARO_SOURCE_DIR + "/tests/support/serial_accounting.py' '" +
                    dir.File("serial.txt") + "' '" + dir.File("log") + "' 40 8188 4 --reported '" + reported + "'";
  for (int i = 1; i <= chips; ++i) cmd += " '" + dir.File("s" + std::to_string(i) + ".bin") + "'";
  std::string out;
  FILE* p = popen((cmd + " 2>&1").c_str(), "r");
  char buf[256];
  while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
  ok = pclose(p) == 0;
  return out;
}

std::vector<std::string> StationArgs(const TTempDir& dir, const std::string& image, int chip) {
  return {"--simulate=" + dir.File("s" + std::to_string(chip) + ".bin"),
          "--chip",
          "24C64",
          "write",
          image,
          "--serial",
          "8188:40:1:4:ascii",
          "--serial-file",
          dir.File("serial.txt"),
          "--log",
          dir.File("log")};
}

}  // namespace

// A log that cannot be written (a full disk) after the chip passed: the run says so and fails,
// the number stays marked as written in the serial file, and the next run reports it as unknown
// and stamps the next number.
TEST(CliGang, AFullLogLeavesTheNumberOfItsChipAccountedFor) {
  TTempDir dir;
  const std::string image = Image(dir);
  dir.Write("serial.txt", "40\n");
  std::vector<std::string> args = StationArgs(dir, image, 1);
  args.back() = "/dev/full";
  const int code = WaitCli(StartCli(dir, "a", args));
  EXPECT_EQ(code, 3) << dir.Read("a.err");
  EXPECT_NE(dir.Read("a.err").find("Cannot write the log /dev/full"), std::string::npos) << dir.Read("a.err");
  EXPECT_EQ(Chip(dir, 1).substr(8188), "0040");
  EXPECT_NE(dir.Read("serial.txt").find("writing 40 "), std::string::npos) << dir.Read("serial.txt");

  EXPECT_EQ(WaitCli(StartCli(dir, "b", StationArgs(dir, image, 2))), 0) << dir.Read("b.err");
  EXPECT_EQ(ReportedUnknown(dir.Read("b.err")), "40,") << dir.Read("b.err");
  EXPECT_EQ(Chip(dir, 2).substr(8188), "0041");
  bool ok = false;
  EXPECT_EQ(Accounting(dir, "40", 2, ok),
            "handed out 2, ok 1, spent 0, given back 0, unknown 1, duplicates 0, torn lines 0\n");
  EXPECT_TRUE(ok);
}

// Two stations share one serial file and one log; one of them is killed at a point of its chip's
// work, the other runs its chip meanwhile, and a third run follows. The serial file and the log
// account for every number, no number is on two chips, every log line is whole, and the numbers
// reported as unknown are those the serial file keeps so. Each point runs with one of the signals,
// chosen by a seed (TESMARO_KILL_SEED, else the day) so that the days cover the whole table.
TEST(CliGang, StationsKilledAtAnyPointLeaveEveryNumberAccountedFor) {
  struct Point {
    const char* name;
    size_t exchanges;  // of the 24C64 write: sample read 0-17, write 18-275 (the field's page 274),
                       // read-back 276-533
  } points[] = {{"at start", 0},           {"before the write", 5},
                {"during the write", 100}, {"after the last page", 276},
                {"during the check", 400}, {"after the check", 534}};
  const int signals[] = {SIGKILL, SIGTERM, SIGINT};
  const char* env = std::getenv("TESMARO_KILL_SEED");
  const long seed = env ? std::atol(env) : static_cast<long>(std::time(nullptr) / 86400);
  for (size_t i = 0; i < std::size(points); ++i) {
    const int signal = signals[(static_cast<size_t>(seed) + i) % 3];
    SCOPED_TRACE(std::string(points[i].name) + ", signal " + std::to_string(signal) +
                 ", TESMARO_KILL_SEED=" + std::to_string(seed));
    TTempDir dir;
    const std::string image = Image(dir);
    dir.Write("serial.txt", "40\n");
    std::vector<std::string> killed = StationArgs(dir, image, 1);
    killed.insert(killed.begin(), {"--sim-latency", "1", "--sim-log", dir.File("sim.log")});
    const pid_t other = StartCli(dir, "b", StationArgs(dir, image, 2));
    const TSignalledRun a =
        RunAndSignal(dir, "tesmaro-cli", killed, signal, LoggedExchanges(dir, "sim.log", points[i].exchanges));
    EXPECT_TRUE(a.UnderWay);
    const int b = WaitCli(other);
    EXPECT_EQ(b, 0) << dir.Read("b.err");
    const int c = WaitCli(StartCli(dir, "c", StationArgs(dir, image, 3)));
    EXPECT_EQ(c, 0) << dir.Read("c.err");
    bool ok = false;
    const std::string summary = Accounting(
        dir, ReportedUnknown(a.Err) + ReportedUnknown(dir.Read("b.err")) + ReportedUnknown(dir.Read("c.err")), 3, ok);
    EXPECT_TRUE(ok) << summary << dir.Read("serial.txt") << dir.Read("log");
    // A signal that stops the program lets it settle its number: nothing is left unknown.
    if (signal != SIGKILL) {
      EXPECT_NE(summary.find("unknown 0,"), std::string::npos) << summary;
    }
  }
}

// Files named wrongly get their own reason: a missing catalogue is the catalogue's fault, not the
// chip's, and a folder is called a folder.
TEST(CliProgrammers, MissingFilesAndFoldersAreNamedAsSuch) {
  TTempDir dir;
  const std::string image = Image(dir);
  const std::string write = "--simulate='" + dir.File("s1.bin") + "' --chip 24C64 write ";
  struct Case {
    std::string args, error;
  } cases[] = {
      {"--catalogue '" + dir.File("none.ini") + "' --chip 24C64 info",
       "cannot read the catalogue " + dir.File("none.ini") + ": No such file or directory"},
      {"--catalogue '" + dir.Folder() + "' --chip 24C64 info", "the catalogue " + dir.Folder() + " is a folder"},
      {write + "'" + dir.Folder() + "'", dir.Folder() + " is a folder, not an image file"},
      {write + "'" + image + "' --serial 0:1 --serial-file '" + dir.Folder() + "'",
       "The serial file " + dir.Folder() + " is a folder, not a file"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", c.args);
    EXPECT_EQ(r.ExitCode, 3) << c.args << ": " << r.Err;
    EXPECT_NE(r.Err.find(c.error), std::string::npos) << c.args << ": " << r.Err;
  }
}

// A serial file's temporary files left by a killed run go with the next run's first step; the
// log names the chip as the catalogue spells it, whatever the operator typed.
TEST(CliGang, TheNextRunRemovesStaleTemporariesAndLogsTheCataloguesSpelling) {
  TTempDir dir;
  const std::string image = Image(dir);
  dir.Write("serial.txt", "40\n");
  dir.Write(".serial.txt.123456.tmp", "4");
  dir.Write(".serial.txt.notmine.tmp", "keep");
  auto r = RunProgram("tesmaro-cli", "--simulate='" + dir.File("s1.bin") + "' --chip 24c64 write '" + image +
                                         "' --serial 0:1 --serial-file '" + dir.File("serial.txt") + "' --log '" +
                                         dir.File("log") + "'");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_FALSE(std::ifstream(dir.File(".serial.txt.123456.tmp")).good());
  EXPECT_TRUE(std::ifstream(dir.File(".serial.txt.notmine.tmp")).good());
  EXPECT_NE(dir.Read("log").find("\"chip\":\"24C64\""), std::string::npos) << dir.Read("log");
}

// A programmer unplugged for good under --repeat: the batch takes no further numbers and counts
// no further chips until it is back, and says so at each Enter.
TEST(CliRepeat, AGoneProgrammerTakesNoNumbersAndCountsNoChips) {
  TTempDir dir;
  const std::string image = Image(dir);
  dir.Write("serial.txt", "40\n");
  auto r = RunProgramWithInput("tesmaro-cli",
                               "--simulate='" + dir.File("s1.bin") + "' --sim-fault unplug@10 --chip 24C64 write '" +
                                   image + "' --serial 0:40 --serial-file '" + dir.File("serial.txt") + "' --repeat",
                               "\n\n");
  EXPECT_EQ(r.ExitCode, 4) << r.Err;
  EXPECT_NE(r.Out.find("chips: 0 ok, 1 failed\n"), std::string::npos) << r.Out;
  size_t said = 0;
  for (size_t at = r.Err.find("The programmer is gone: sim:1."); at != std::string::npos;
       at = r.Err.find("The programmer is gone: sim:1.", at + 1))
    ++said;
  EXPECT_EQ(said, 2u) << r.Err;
  EXPECT_NE(dir.Read("serial.txt").find("\n41 40\n"), std::string::npos) << dir.Read("serial.txt");
}
