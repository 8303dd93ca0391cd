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
