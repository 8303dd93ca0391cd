// tesmaro-cli version, with the simulated programmer and without a programmer.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <string>

namespace {

struct TRun {
  int Code;
  std::string Out;
};

TRun RunCli(const std::string& args) {
  std::string cmd = std::string(TESMARO_BINARY_DIR) + "/tesmaro-cli " + args + " 2>&1";
  TRun r{-1, ""};
  FILE* f = popen(cmd.c_str(), "r");
  if (!f) return r;
  char buf[256];
  while (size_t n = fread(buf, 1, sizeof buf, f)) r.Out.append(buf, n);
  int status = pclose(f);
  r.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace

TEST(CliVersion, PrintsTheSimulatedProgrammersVersion) {
  TRun r = RunCli("--simulate version");
  EXPECT_EQ(r.Code, 0);
  EXPECT_EQ(r.Out, "Mervo v.1.7\n");
}

TEST(CliVersion, WithoutAProgrammerExitsWithCodeFour) {
  // This machine has no programmer plugged in.
  TRun r = RunCli("version");
  EXPECT_EQ(r.Code, 4);
  EXPECT_EQ(r.Out, "tesmaro-cli: Programmer not found!\n");
}
