// The conventions of tesmaro-cli: help for every command, options before or after the command,
// "-" as standard input or output, --quiet and --verbose, the progress line on a terminal only,
// --json documents, devices without a programmer, and doctor on the simulated programmer.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/json_lines.h"
#include "support/run_process.h"

namespace {

// An 8192-byte image for the 24C64, as binary, Intel HEX and S-records.
struct TImages {
  explicit TImages(const TTempDir& dir) {
    std::string bytes(8192, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 13 + 5);
    Bin = dir.Write("image.bin", bytes);
    Bytes = bytes;
    Hex = dir.File("image.hex");
    SRec = dir.File("image.s19");
    EXPECT_EQ(RunProgram("tesmaro-cli", "--chip 24C64 convert '" + Bin + "' '" + Hex + "'").ExitCode, 0);
    EXPECT_EQ(RunProgram("tesmaro-cli", "--chip 24C64 convert '" + Bin + "' '" + SRec + "'").ExitCode, 0);
  }
  std::string Bin, Hex, SRec, Bytes;
};

std::vector<std::string> CommandNames() {
  const std::string help = RunProgram("tesmaro-cli", "--help").Out;
  std::vector<std::string> names;
  std::istringstream lines(help.substr(help.find("\nCommands:\n") + 11));
  std::string line;
  while (std::getline(lines, line) && !line.empty())
    if (line.size() > 2 && line[2] >= 'a' && line[2] <= 'z') names.push_back(line.substr(2, line.find(' ', 2) - 2));
  return names;
}

}  // namespace

TEST(CliConventions, HelpOfACommandInEverySpelling) {
  for (const char* args :
       {"help read", "read --help", "read -h", "-h read", "--help read", "--chip 24C64 read x --help"}) {
    auto r = RunProgram("tesmaro-cli", args);
    EXPECT_EQ(r.ExitCode, 0) << args << ": " << r.Err;
    EXPECT_EQ(r.Out.rfind("Usage: tesmaro-cli [OPTIONS] read OUT\n", 0), 0u) << args << ": " << r.Out;
    EXPECT_NE(r.Out.find("  --format hex|srec|bin"), std::string::npos) << args;
    EXPECT_NE(r.Out.find("Example:\n  tesmaro-cli --chip 24C64 read chip.hex\n"), std::string::npos) << args;
  }
  EXPECT_EQ(RunProgram("tesmaro-cli", "-h").Out, RunProgram("tesmaro-cli", "--help").Out);
  EXPECT_EQ(RunProgram("tesmaro-cli", "help help").Out, RunProgram("tesmaro-cli", "--help").Out);
  EXPECT_EQ(RunProgram("tesmaro-cli", "-V").Out, RunProgram("tesmaro-cli", "--version").Out);
  // -q and -v are --quiet and --verbose: together they are refused as the long forms are.
  auto both = RunProgram("tesmaro-cli", "-q chips -v");
  EXPECT_EQ(both.ExitCode, 2);
  EXPECT_NE(both.Err.find("--quiet and --verbose exclude each other"), std::string::npos) << both.Err;
  auto unknown = RunProgram("tesmaro-cli", "help frobnicate");
  EXPECT_EQ(unknown.ExitCode, 2);
  EXPECT_NE(unknown.Err.find("unknown command 'frobnicate'"), std::string::npos) << unknown.Err;
}

// An empty value (an unset shell variable) is a usage error that names the option, never "no
// file": no chip is touched, no serial file or log is written.
TEST(CliConventions, EmptyValuesAreUsageErrorsNamingTheOption) {
  TTempDir dir;
  const std::string image = dir.Write("image.bin", std::string(8192, 'x'));
  const std::string write = "--simulate='" + dir.File("s1.bin") + "' --chip 24C64 write '" + image + "' ";
  struct Case {
    std::string args, option;
  } cases[] = {
      {write + "--serial 0:1 --serial-file ''", "--serial-file"},
      {write + "--serial-file= --serial 0:1", "--serial-file"},
      {write + "--log ''", "--log"},
      {write + "--device ''", "--device"},
      {"--chip '' chips", "--chip"},
      {"--catalogue= chips", "--catalogue"},
      {"--simulate= --chip 24C64 info", "--simulate"},
      {"--simulate --sim-latency '' --chip 24C64 info", "--sim-latency"},
      {"--chip 24C64 read out.bin --format ''", "--format"},
      {write + "--serial ''", "--serial"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", c.args);
    EXPECT_EQ(r.ExitCode, 2) << c.args << ": " << r.Err;
    EXPECT_NE(r.Err.find("option " + c.option + " needs a value: it was given empty"), std::string::npos)
        << c.args << ": " << r.Err;
  }
  EXPECT_FALSE(std::ifstream(dir.File("s1.bin")).good()) << "no chip was touched";
}

// A printing command whose standard output cannot be written (a full device, a closed output)
// says so and fails with exit 3, instead of reporting success with nothing written.
TEST(CliConventions, EveryPrintingCommandChecksItsOutput) {
  TTempDir dir;
  const TImages images(dir);
  const std::string sim = "--simulate='" + dir.File("s.bin") + "' ";
  const std::string commands[] = {
      "chips",
      "--chip 24C64 info",
      "--chip 24C64 info --json",
      "--chip 24C64 checksum '" + images.Bin + "'",
      sim + "version",
      sim + "devices",
      sim + "doctor",
      sim + "--chip 24C64 verify '" + images.Bin + "' --json",
      "compare '" + images.Bin + "' '" + images.Hex + "'",
      "catalogue-check",
      "--help",
      "--version",
      "help write",
      "--chip 24C64 read - --format hex " + sim,
  };
  for (const auto& c : commands)
    for (const char* out : {">/dev/full", ">&-"}) {
      const int status = std::system(("'" + std::string(TESMARO_BINARY_DIR) + "/tesmaro-cli' " + c + " " + out +
                                      " 2>'" + dir.File("err") + "' </dev/null")
                                         .c_str());
      EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 3) << c << out << ": " << dir.Read("err");
      EXPECT_NE(dir.Read("err").find("tesmaro-cli: cannot write to standard output: "), std::string::npos)
          << c << out << ": " << dir.Read("err");
    }
}

// verify --json prints one JSON document also when it fails before comparing.
TEST(CliConventions, VerifyJsonIsOneDocumentAlsoWhenItFailsEarly) {
  TTempDir dir;
  const std::string image = dir.Write("image.bin", std::string(8192, 'x'));
  struct Case {
    std::string args;
    int code;
  } cases[] = {
      {"--chip 24C64 verify '" + dir.File("missing.bin") + "' --json --simulate", 3},
      {"--chip 24C64 verify '" + image + "' --json", 4},  // no programmer
      {"--chip NOSUCH verify '" + image + "' --json --simulate", 2},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", c.args);
    EXPECT_EQ(r.ExitCode, c.code) << c.args << ": " << r.Err;
    dir.Write("out.json", r.Out);
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 1) << r.Out;
    EXPECT_EQ(CheckJsonLines(dir.File("out.json"), {"result", "exit_code", "error"}), "") << c.args << ": " << r.Out;
    EXPECT_NE(r.Out.find("\"exit_code\":" + std::to_string(c.code)), std::string::npos) << r.Out;
  }
}

// Every command that --help lists has its own help with its options and one example.
TEST(CliConventions, EveryCommandHasHelpWithAnExample) {
  const std::vector<std::string> names = CommandNames();
  ASSERT_GE(names.size(), 17u);
  for (const auto& name : names) {
    auto r = RunProgram("tesmaro-cli", "help " + name);
    EXPECT_EQ(r.ExitCode, 0) << name;
    EXPECT_NE(r.Out.find("\nExample:\n  tesmaro-cli "), std::string::npos) << name << ": " << r.Out;
  }
}

TEST(CliConventions, OptionsStandBeforeOrAfterTheCommand) {
  TTempDir dir;
  TImages images(dir);
  const std::string info = RunProgram("tesmaro-cli", "--chip 24C64 info").Out;
  for (const char* args : {"info --chip 24C64", "info --chip=24C64", "--quiet info --chip 24C64"})
    EXPECT_EQ(RunProgram("tesmaro-cli", args).Out, info) << args;
  const std::string sim = "--simulate='" + dir.File("chip.bin") + "' ";
  const std::string log = "--log '" + dir.File("log") + "' ";
  for (const std::string& args : {log + sim + "--chip 24C64 write '" + images.Bin + "'",
                                  "write '" + images.Bin + "' " + sim + log + "--chip 24C64",
                                  "--chip 24C64 " + log + "write " + sim + "'" + images.Bin + "' --serial 0:1"}) {
    auto r = RunProgram("tesmaro-cli", args);
    EXPECT_EQ(r.ExitCode, 0) << args << ": " << r.Err;
  }
  EXPECT_EQ(CheckJsonLines(dir.File("log"), {"result"}), "");
  const std::string lines = dir.Read("log");
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 3);
  struct Case {
    const char* args;
    const char* error;
  } errors[] = {
      {"--chip 24C64 info --format hex", "unknown option --format for info"},
      {"--chip 24C64 info --verbose=1", "option --verbose takes no value"},
      {"--chip 24C64 --quiet --verbose info", "--quiet and --verbose exclude each other"},
      {"--chip 24C64 checksum x --format hex --format bin", "option --format is given twice"},
  };
  for (const auto& e : errors) {
    auto r = RunProgram("tesmaro-cli", e.args);
    EXPECT_EQ(r.ExitCode, 2) << e.args;
    EXPECT_NE(r.Err.find(e.error), std::string::npos) << e.args << ": " << r.Err;
  }
}

// "-" reads the image from standard input (its format from --format or its content) and writes
// it to standard output.
TEST(CliConventions, DashIsStandardInputOrOutput) {
  TTempDir dir;
  TImages images(dir);
  const std::string sim = "--simulate='" + dir.File("chip.bin") + "' --chip 24C64 ";
  const std::string checksum = RunProgram("tesmaro-cli", "--chip 24C64 checksum '" + images.Bin + "'").Out;
  ASSERT_EQ(checksum.rfind("Chk: ", 0), 0u);
  struct Case {
    std::string args;
    std::string input;  // a file's bytes
    int exitCode;
    std::string out;  // standard output, when not empty
  } cases[] = {
      {"--chip 24C64 checksum -", TTempDir::ReadFile(images.Hex), 0, checksum},
      {"--chip 24C64 checksum -", TTempDir::ReadFile(images.SRec), 0, checksum},
      {"--chip 24C64 checksum -", images.Bytes, 0, checksum},
      {"--chip 24C64 checksum - --format bin --cut", TTempDir::ReadFile(images.Hex), 0, ""},  // the text's bytes
      {"--chip 24C64 convert - '" + dir.File("back.bin") + "'", TTempDir::ReadFile(images.SRec), 0, ""},
      {"--chip 24C64 convert '" + images.Bin + "' - --out-format hex", "", 0, TTempDir::ReadFile(images.Hex)},
      {sim + "write -", TTempDir::ReadFile(images.Hex), 0, "Programming OK\n"},
      {sim + "read -", "", 0, images.Bytes},
      {sim + "verify -", images.Bytes, 0, "Verification OK\n"},
      {"--chip 24C64 compare '" + images.Hex + "' -", images.Bytes, 0, "The files are the same.\n"},
      {"--chip 24C64 compare - -", images.Bytes, 2, ""},
      {sim + "write - --repeat", images.Bytes, 2, ""},
      {"--chip 24C64 checksum - --format hex", ":zz\n", 3, ""},
  };
  for (const auto& c : cases) {
    auto r = RunProgramWithInput("tesmaro-cli", c.args, c.input);
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.args << ": " << r.Err;
    if (!c.out.empty()) {
      EXPECT_EQ(r.Out, c.out) << c.args;
    }
  }
  EXPECT_EQ(dir.Read("back.bin"), images.Bytes);
  EXPECT_NE(RunProgramWithInput("tesmaro-cli", "--chip 24C64 checksum - --format hex", ":zz\n")
                .Err.find("\"standard input\", line 1: "),
            std::string::npos);
}

TEST(CliConventions, QuietShowsErrorsOnlyAndVerboseSaysMore) {
  TTempDir dir;
  TImages images(dir);
  const std::string sim = "--simulate='" + dir.File("chip.bin") + "' --chip 24C64 ";
  auto quiet = RunProgram("tesmaro-cli", sim + "write '" + images.Bin + "' --quiet");
  EXPECT_EQ(quiet.ExitCode, 0) << quiet.Err;
  EXPECT_EQ(quiet.Out + quiet.Err, "");
  dir.Write("other.bin", std::string(8192, '\x11'));
  auto failed = RunProgram("tesmaro-cli", "--quiet " + sim + "verify '" + dir.File("other.bin") + "'");
  EXPECT_EQ(failed.ExitCode, 1);
  EXPECT_EQ(failed.Out, "");
  EXPECT_NE(failed.Err.find("Verification failed!"), std::string::npos) << failed.Err;
  auto verbose = RunProgram("tesmaro-cli", sim + "--verbose read '" + dir.File("out.bin") + "'");
  EXPECT_EQ(verbose.ExitCode, 0) << verbose.Err;
  EXPECT_NE(verbose.Err.find("programmer sim:1 (SIM0001), firmware 1.7"), std::string::npos) << verbose.Err;
  EXPECT_NE(verbose.Err.find("chip 24C64 (24Cxx): 8192 bytes, pages of 32, type 1"), std::string::npos) << verbose.Err;
}

// On a terminal a long operation shows one progress line that ends at 100 %; with standard error
// going elsewhere nothing of it appears.
TEST(CliConventions, ProgressLineOnATerminalOnly) {
  TTempDir dir;
  const std::string command = std::string("'") + TESMARO_BINARY_DIR +
                              "/tesmaro-cli' --simulate --sim-latency 1 --chip 24C64 read '" + dir.File("x.bin") + "'";
  const std::string script = "script -qfec \"" + command + "\" /dev/null >'" + dir.File("tty") + "' 2>&1";
  ASSERT_EQ(std::system(script.c_str()), 0);
  const std::string tty = dir.Read("tty");
  const size_t last = tty.rfind("\x1b[K");
  ASSERT_NE(last, std::string::npos) << tty;
  EXPECT_NE(tty.find("] reading 100 %  8192 of 8192 bytes  ", last), std::string::npos) << tty.substr(last);
  EXPECT_NE(tty.find(" KiB/s", last), std::string::npos) << tty.substr(last);
  EXPECT_NE(tty.find(" left"), std::string::npos);

  auto piped = RunProgram("tesmaro-cli", "--simulate --sim-latency 1 --chip 24C64 read '" + dir.File("y.bin") + "'");
  EXPECT_EQ(piped.ExitCode, 0);
  EXPECT_EQ(piped.Err, "");
}

// --json prints one JSON document, one line, on standard output; messages go elsewhere.
TEST(CliConventions, JsonDocuments) {
  TTempDir dir;
  TImages images(dir);
  const std::string sim = "--simulate='" + dir.File("chip.bin") + "' ";
  ASSERT_EQ(RunProgram("tesmaro-cli", sim + "--chip 24C64 write '" + images.Bin + "'").ExitCode, 0);
  struct Case {
    std::string args;
    int exitCode;
    std::vector<std::string> keys;
    const char* part;
  } cases[] = {
      {"--chip 24C64 info --json", 0, {"family", "name", "size", "page_size", "supported"}, "\"size\":8192"},
      {"chips --json", 0, {"chips"}, "{\"family\":\"24Cxx\",\"type\":1,\"name\":\"24C64\""},
      {sim + "--simulate devices --json", 0, {"programmers"}, "\"serial\":\"SIM0002\""},
      {sim + "version --json", 0, {"firmware", "major", "minor", "programmer.node"}, "\"firmware\":\"1.7\""},
      {sim + "--chip 24C64 verify --json '" + images.Bin + "'",
       0,
       {"result", "differences", "first_difference"},
       "\"result\":\"ok\""},
      {sim + "--chip 24C64 verify --json '" + images.Bin + "' --ignore 0:2 --sim-fault flip@3",
       1,
       {"result", "listed", "ignored"},
       "\"first_difference\":32,"},
      {sim + "--chip 24C64 verify --json '" + images.Bin + "' --sim-chip stuck-bit=0:1",
       1,
       {"result", "warnings"},
       "\"warnings\":[\"Bit 0 reads 1 in every byte: check the data line and the clip.\"]"},
      {sim + "doctor --json",
       0,
       {"result", "exit_code", "firmware", "round_trips.median_ms", "links"},
       "\"result\":\"ok\",\"exit_code\":0"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", c.args);
    EXPECT_EQ(r.ExitCode, c.exitCode) << c.args << ": " << r.Err;
    EXPECT_EQ(std::count(r.Out.begin(), r.Out.end(), '\n'), 1) << c.args << ": " << r.Out;
    dir.Write("out.json", r.Out);
    EXPECT_EQ(CheckJsonLines(dir.File("out.json"), c.keys), "") << c.args << ": " << r.Out;
    EXPECT_NE(r.Out.find(c.part), std::string::npos) << c.args << ": " << r.Out;
  }
}

TEST(CliDevices, NoProgrammerSaysSoAndSuggestsSimulate) {
  auto r = RunProgram("tesmaro-cli", "devices");
  EXPECT_EQ(r.ExitCode, 0);
  EXPECT_EQ(r.Out, "");
  EXPECT_EQ(r.Err, "No programmer found. To try without hardware: tesmaro-cli --simulate devices\n");
  auto json = RunProgram("tesmaro-cli", "devices --json");
  EXPECT_EQ(json.Out, "{\"programmers\":[]}\n");
}

TEST(CliDoctor, ReportsEachOutcomeWithItsExitCode) {
  TTempDir dir;
  auto well = RunProgram("tesmaro-cli", "--simulate doctor");
  EXPECT_EQ(well.ExitCode, 0) << well.Err;
  EXPECT_NE(well.Out.find("[ok] Version: the programmer answers, firmware 1.7.\n"), std::string::npos) << well.Out;
  EXPECT_NE(well.Out.find("All is well.\n"), std::string::npos);
  EXPECT_EQ(RunProgram("tesmaro-cli", "--simulate doctor --quiet").Out, "");

  auto silent = RunProgram("tesmaro-cli", "--simulate --sim-fault noanswer@0 --quiet doctor");
  EXPECT_EQ(silent.ExitCode, 4);
  EXPECT_EQ(silent.Out, "");
  EXPECT_NE(silent.Err.find("does not answer the version query"), std::string::npos) << silent.Err;
  EXPECT_NE(silent.Err.find("What to do: "), std::string::npos) << silent.Err;

  // Another program in the middle of a read holds the simulated programmer: exit 6.
  dir.Write("chip.bin", std::string(4096, 'x'));
  const std::string sim = "--simulate='" + dir.File("chip.bin") + "' ";
  const std::string first = std::string("'") + TESMARO_BINARY_DIR + "/tesmaro-cli' " + sim + "--sim-log '" +
                            dir.File("first.log") + "' --sim-latency 10 --chip 24C32 read '" + dir.File("a.bin") +
                            "' >/dev/null 2>&1; echo $? >'" + dir.File("first.rc") + "'";
  ASSERT_EQ(std::system(("(" + first + ") &").c_str()), 0);
  for (int i = 0; i < 200 && dir.Read("first.log").size() < 200; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  auto busy = RunProgram("tesmaro-cli", sim + "doctor");
  EXPECT_EQ(busy.ExitCode, 6) << busy.Out;
  EXPECT_NE(busy.Out.find("[FAILED] In use: another program holds the programmer."), std::string::npos) << busy.Out;
  for (int i = 0; i < 200 && !std::filesystem::exists(dir.File("first.rc")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  EXPECT_EQ(dir.Read("first.rc"), "0\n");
}

// The README's production example runs as written, from the source folder, with the example
// image that ships with the program.
TEST(CliReadme, ProductionExampleRunsAsWritten) {
  const std::string readme = TTempDir::ReadFile(std::string(TESMARO_SOURCE_DIR) + "/README.md");
  const size_t marker =
      readme.find("<!-- The test CliReadme.ProductionExampleRunsAsWritten runs the next command. -->");
  ASSERT_NE(marker, std::string::npos);
  // The indented block after the marker, its continued lines joined.
  std::istringstream lines(readme.substr(readme.find("\n\n", marker) + 2));
  std::string line, command;
  while (std::getline(lines, line) && line.rfind("    ", 0) == 0) {
    if (!line.empty() && line.back() == '\\') line.pop_back();
    command += line.substr(4) + " ";
  }
  ASSERT_EQ(command.rfind("build/tesmaro-cli ", 0), 0u) << command;
  command = std::string(TESMARO_BINARY_DIR) + "/tesmaro-cli " + command.substr(18);
  for (size_t at = 0; (at = command.find("data/examples/", at)) != std::string::npos; at += 20)
    command.replace(at, 14, std::string(TESMARO_SOURCE_DIR) + "/data/examples/");
  TTempDir dir;
  dir.Write("answers", "\nq\n");
  ASSERT_EQ(std::system(("cd '" + dir.Folder() + "' && " + command + " <answers >out 2>err").c_str()), 0)
      << command << "\n"
      << dir.Read("err");
  EXPECT_NE(dir.Read("out").find("chips: 8 ok, 0 failed\n"), std::string::npos) << dir.Read("out");
  EXPECT_EQ(CheckJsonLines(dir.File("production.jsonl"), {"image.sha256", "serial_number", "result"}), "");
  EXPECT_NE(dir.Read("serial.txt").find("\n1008\n"), std::string::npos) << dir.Read("serial.txt");
  EXPECT_EQ(dir.Read("p4.bin").substr(0, 31), "Tesmaro example image for 24C64");
}

// The manual page names every command and every option that --help lists.
TEST(CliReadme, ManPageListsEveryCommandAndOption) {
  const std::string man = TTempDir::ReadFile(std::string(TESMARO_SOURCE_DIR) + "/packaging/tesmaro-cli.1");
  auto escaped = [](std::string s) {
    for (size_t at = 0; (at = s.find('-', at)) != std::string::npos; at += 2) s.insert(at, "\\");
    return s;
  };
  for (const auto& name : CommandNames()) {
    const std::string e = escaped(name);
    const bool heading = man.find("\n.B " + e) != std::string::npos || man.find("\n.BI " + e) != std::string::npos ||
                         man.find("\n.BR " + e) != std::string::npos;
    EXPECT_TRUE(heading) << name;
  }
  const std::string help = RunProgram("tesmaro-cli", "--help").Out;
  std::istringstream lines(help);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind("  --", 0) != 0) continue;
    const std::string option = line.substr(2, line.find_first_of(" [", 2) - 2);
    EXPECT_NE(man.find(escaped(option)), std::string::npos) << option;
  }
  for (const char* code : {"\n.B 0\n", "\n.B 1\n", "\n.B 2\n", "\n.B 3\n", "\n.B 4\n", "\n.B 5\n", "\n.B 6\n"})
    EXPECT_NE(man.find(code), std::string::npos) << code;
}

// Every tesmaro-cli example of the README and of the manual page runs as written, in a folder
// that holds the files it names, against a simulated programmer (--simulate added where the
// example has none; the examples that pipe a program of their own are left out). An example may
// find a difference (exit 1) or a warning (7), never a usage or file error.
TEST(CliReadme, EveryExampleRunsAsWritten) {
  std::vector<std::string> examples;
  const std::string readme = TTempDir::ReadFile(std::string(TESMARO_SOURCE_DIR) + "/README.md");
  std::istringstream lines(readme);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind("    tesmaro-cli ", 0) == 0) examples.push_back(line.substr(4, line.find("  #") - 4));
  std::string man = TTempDir::ReadFile(std::string(TESMARO_SOURCE_DIR) + "/packaging/tesmaro-cli.1");
  man = man.substr(man.find(".SH EXAMPLES\n.nf\n") + 17);
  man = man.substr(0, man.find(".fi\n"));
  for (size_t at; (at = man.find("\\e\n")) != std::string::npos;) man.replace(at, 3, " ");
  for (size_t at; (at = man.find("\\-")) != std::string::npos;) man.replace(at, 2, "-");
  std::istringstream manLines(man);
  for (std::string line; std::getline(manLines, line);) examples.push_back(line);
  ASSERT_GE(examples.size(), 35u);

  TTempDir dir;
  const std::string cli = std::string(TESMARO_BINARY_DIR) + "/tesmaro-cli";
  const std::string hex = std::string(TESMARO_SOURCE_DIR) + "/data/examples/example-24c64.hex";
  dir.Write("image.hex", TTempDir::ReadFile(hex));
  for (const char* out : {"image.bin", "image.s19", "in.bin", "a.hex", "b.s19"})
    ASSERT_EQ(RunProgram("tesmaro-cli", "--chip 24C64 convert '" + dir.File("image.hex") + "' '" + dir.File(out) + "'")
                  .ExitCode,
              0);
  dir.Write("firmware.eep.hex", ":02000004008179\n:0400000001020304F2\n:00000001FF\n");
  std::filesystem::create_directories(dir.File(".config/tesmaro"));
  dir.Write(".config/tesmaro/see.ini", TTempDir::ReadFile(std::string(TESMARO_BINARY_DIR) + "/see.ini"));
  for (std::string e : examples) {
    SCOPED_TRACE(e);
    for (size_t at; (at = e.find("/usr/share/tesmaro/examples/")) != std::string::npos;)
      e.replace(at, 28, "'" + hex.substr(0, hex.rfind('/') + 1) + "'");
    for (const char* drop : {" [FILE]", " | less"})
      if (const size_t at = e.find(drop); at != std::string::npos) e.erase(at, std::strlen(drop));
    while (!e.empty() && e.back() == ' ') e.pop_back();
    e = "'" + cli + "'" + e.substr(11);
    if (e.find("--simulate") == std::string::npos) e += " --simulate=sim.bin";
    const int status = std::system(
        ("cd '" + dir.Folder() + "' && export HOME='" + dir.Folder() + "' && " + e + " </dev/null >out 2>err").c_str());
    const int code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    EXPECT_TRUE(code == 0 || code == 1 || code == 7) << code << ": " << dir.Read("err");
  }
}
