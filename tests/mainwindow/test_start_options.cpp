// The program's command line: "--help" and "--version" answer on the terminal without a window;
// other arguments keep their meaning.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/start_options.h"
#include "support/run_process.h"

TEST(StartOptions, HelpAndVersionAreNotTakenForAFile) {
  const struct {
    std::vector<std::string> Args;
    bool Help, Version;
    std::string File;
  } cases[] = {
      {{"--help"}, true, false, ""},
      {{"-h"}, true, false, ""},
      {{"--version"}, false, true, ""},
      {{"image.hex", "--version"}, false, true, "image.hex"},
      {{"image.hex", "other.hex"}, false, false, "image.hex"},
  };
  for (const auto& c : cases) {
    const TStartOptions o = StartOptionsFromArguments(c.Args);
    EXPECT_EQ(o.Help, c.Help) << c.Args[0];
    EXPECT_EQ(o.Version, c.Version) << c.Args[0];
    EXPECT_EQ(o.CommandLineFile, c.File) << c.Args[0];
  }
}

TEST(StartOptions, HelpAndVersionPrintAndEndWithoutADisplay) {
  // With no display to open, a window would end the program with an error instead.
  setenv("QT_QPA_PLATFORM", "xcb", 1);
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  const TProcessResult help = RunProgram("tesmaro", "--help");
  EXPECT_EQ(help.ExitCode, 0) << help.Err;
  EXPECT_EQ(help.Out.rfind("Usage: tesmaro ", 0), 0u) << help.Out;
  EXPECT_NE(help.Out.find("--version"), std::string::npos);
  const TProcessResult version = RunProgram("tesmaro", "--version");
  EXPECT_EQ(version.ExitCode, 0) << version.Err;
  EXPECT_EQ(version.Out.rfind("tesmaro 0.", 0), 0u) << version.Out;
  EXPECT_EQ(version.Out.back(), '\n');
  EXPECT_EQ(version.Err, "");
}

// Every option the program takes does what it says and is listed by --help.
TEST(StartOptions, HelpListsEveryOptionTheProgramTakes) {
  const struct {
    std::vector<std::string> Args;
    const char* Listed;
    bool (*Taken)(const TStartOptions&);
  } cases[] = {
      {{"--simulate"}, "--simulate[=IMAGE]", [](const TStartOptions& o) { return o.Simulate; }},
      {{"--simulate=chip.bin"},
       "--simulate[=IMAGE]",
       [](const TStartOptions& o) { return o.Simulate && o.SimulateImage == "chip.bin"; }},
      {{"--sim-latency", "5"}, "--sim-latency MS", [](const TStartOptions& o) { return o.Simulation.LatencyMs == 5; }},
      {{"--sim-fault", "late@3"},
       "--sim-fault KIND@N",
       [](const TStartOptions& o) { return o.Simulation.Faults.size() == 1; }},
      {{"--sim-seed=7"}, "--sim-seed N", [](const TStartOptions& o) { return o.Simulation.Seed == 7u; }},
      {{"--sim-log", "log.txt"},
       "--sim-log FILE",
       [](const TStartOptions& o) { return o.Simulation.LogFile == "log.txt"; }},
      {{"--verbose"}, "--verbose", [](const TStartOptions& o) { return o.Verbose; }},
      {{"--close-after-start"}, "--close-after-start", [](const TStartOptions& o) { return o.CloseAfterStart; }},
      {{"--dark"}, "--dark", [](const TStartOptions& o) { return o.Dark; }},
      {{"-h"}, "-h", [](const TStartOptions& o) { return o.Help; }},
      {{"--help"}, "--help", [](const TStartOptions& o) { return o.Help; }},
      {{"--version"}, "--version", [](const TStartOptions& o) { return o.Version; }},
  };
  const std::string help = StartUsageText();
  EXPECT_EQ(help.find("%s"), std::string::npos) << help;
  for (const auto& c : cases) {
    const TStartOptions o = StartOptionsFromArguments(c.Args);
    EXPECT_TRUE(c.Taken(o)) << c.Args[0];
    EXPECT_EQ(o.SimulationError, "") << c.Args[0];
    EXPECT_EQ(o.CommandLineFile, "") << c.Args[0] << " was taken for a file";
    EXPECT_NE(help.find(" " + std::string(c.Listed)), std::string::npos) << c.Listed << " is missing from\n" << help;
  }
}
