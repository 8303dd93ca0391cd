// tesmaro-cli as a process: options, exit codes and the catalogue commands.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/run_process.h"

namespace {
const std::string kShipped = std::string("--catalogue '") + TESMARO_SOURCE_DIR + "/data/see.ini' ";
}

TEST(CliInfo, PrintsTheChipRecordInDecimal) {
  auto r = RunProgram("tesmaro-cli", kShipped + "--chip 93c46-16 info");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out,
            "Family=93Cxx x16\nChipType=3\nName=93c46-16\nSize=128\nPageSize=2\nOrg=1\nJumper=5\nStatus=1\n");
}

TEST(CliInfo, DefaultCatalogueIsBesideTheExecutable) {
  auto r = RunProgram("tesmaro-cli", "--chip=24C64 info");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("Size=8192\n"), std::string::npos);
}

TEST(CliUsage, ErrorsGiveExitCodeTwoAndOneLine) {
  struct Case {
    const char* args;
    const char* message;
  } cases[] = {
      {"info", "needs a chip"},
      {"--chip NoSuchChip info", "not in the catalogue"},
      {"frobnicate", "unknown command"},
      {"--bogus info", "unknown option --bogus"},
      {"--chip", "needs a value"},
  };
  for (const auto& c : cases) {
    auto r = RunProgram("tesmaro-cli", kShipped + c.args);
    EXPECT_EQ(r.ExitCode, 2) << c.args;
    EXPECT_NE(r.Err.find(c.message), std::string::npos) << c.args << ": " << r.Err;
    EXPECT_EQ(std::count(r.Err.begin(), r.Err.end(), '\n'), 1) << r.Err;
  }
}

TEST(CliUsage, HelpAndVersion) {
  auto help = RunProgram("tesmaro-cli", "--help");
  EXPECT_EQ(help.ExitCode, 0);
  EXPECT_NE(help.Out.find("info"), std::string::npos);
  auto version = RunProgram("tesmaro-cli", "--version");
  EXPECT_EQ(version.ExitCode, 0);
  EXPECT_EQ(version.Out.rfind("tesmaro-cli ", 0), 0u);
}
