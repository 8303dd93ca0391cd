// tesmaro-cli as a process: options, exit codes and the catalogue commands.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "support/run_process.h"

namespace {
const std::string kShipped = std::string("--catalogue '") + TESMARO_SOURCE_DIR + "/data/see.ini' ";
}

TEST(CliInfo, PrintsTheChipRecordInDecimal) {
  auto r = RunProgram("tesmaro-cli", kShipped + "--chip 93c46-16 info");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_EQ(r.Out, "Family=93Cxx x16\nChipType=3\nName=93c46-16\nSize=128\nPageSize=2\nOrg=1\nJumper=5\nStatus=1\n");
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
      {"info", "needs a chip"},          {"--chip NoSuchChip info", "not in the catalogue"},
      {"frobnicate", "unknown command"}, {"--bogus info", "unknown option --bogus"},
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

// The user's own catalogue joins the shipped one; --catalogue FILE means that file alone.
TEST(CliCatalogue, UserCatalogueIsMergedUnlessACatalogueIsNamed) {
  TTempDir home;
  std::filesystem::create_directories(home.File("tesmaro"));
  home.Write("tesmaro/see.ini", "[24Cxx]\n24C64=1,8192,16,0,3\nMY24=1,2048,16,0,5\n");
  setenv("XDG_CONFIG_HOME", home.Folder().c_str(), 1);
  auto r = RunProgram("tesmaro-cli", "--chip MY24 info");
  EXPECT_EQ(r.ExitCode, 0) << r.Err;
  EXPECT_NE(r.Out.find("Family=24Cxx\nChipType=1\nName=MY24\nSize=2048\n"), std::string::npos) << r.Out;
  r = RunProgram("tesmaro-cli", "--chip 24C64 info");
  EXPECT_NE(r.Out.find("PageSize=16\n"), std::string::npos) << r.Out;
  r = RunProgram("tesmaro-cli", "chips");
  EXPECT_NE(r.Out.find("MY24"), std::string::npos);
  r = RunProgram("tesmaro-cli", kShipped + "--chip MY24 info");
  EXPECT_EQ(r.ExitCode, 2);
  unsetenv("XDG_CONFIG_HOME");
}

TEST(CliCatalogue, CatalogueCheckListsFindingsWithFileAndLine) {
  TTempDir dir;
  const std::string bad = dir.Write("bad.ini", "[A]\ntype=1\nOK=1,4096,32,0,5\nK=1,32K,32,0,5\n[B]\nX=1,128,8,0,5\n");
  auto r = RunProgram("tesmaro-cli", "catalogue-check '" + bad + "'");
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(r.Out, bad + ":4: [A] K: Size '32K' is not an integer\n" + bad + ":5: [B]: the family has no type\n");

  r = RunProgram("tesmaro-cli", "catalogue-check '" + std::string(TESMARO_SOURCE_DIR) + "/data/see.ini'");
  EXPECT_EQ(r.ExitCode, 0) << r.Out;
  EXPECT_NE(r.Out.find("no problems found"), std::string::npos);

  r = RunProgram("tesmaro-cli", "catalogue-check '" + dir.File("none.ini") + "'");
  EXPECT_EQ(r.ExitCode, 3);
  r = RunProgram("tesmaro-cli", "catalogue-check '" + dir.Folder() + "'");
  EXPECT_EQ(r.ExitCode, 3);
  EXPECT_NE(r.Err.find("it is a folder"), std::string::npos) << r.Err;

  // A user's file is checked against the shipped catalogue: its families are typed there.
  const std::string user = dir.Write("user.ini", "[24cxx]\nMY24=1,2048,16,0,3\nMYBIG=1,131072,32,0,5\n");
  r = RunProgram("tesmaro-cli", "catalogue-check '" + user + "'");
  EXPECT_EQ(r.ExitCode, 1) << r.Err;
  EXPECT_EQ(r.Out, user + ":3: [24cxx] MYBIG: Size 131072 is above 64 KiB, further than type 1 chips are addressed\n");
}
