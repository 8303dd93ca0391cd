// Runs one of the built programs as a process and collects its exit code and output.
#pragma once

#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "support/temp_dir.h"

struct TProcessResult {
  int ExitCode = -1;
  std::string Out;
  std::string Err;
};

// Runs "<build folder>/<program> <arguments>" through the shell (arguments are passed as written),
// with standard input from /dev/null.
inline TProcessResult RunProgram(const std::string& program, const std::string& arguments) {
  TTempDir dir;
  const std::string cmd = std::string("'") + TESMARO_BINARY_DIR + "/" + program + "' " + arguments + " >'" +
                          dir.File("out") + "' 2>'" + dir.File("err") + "' </dev/null";
  int status = std::system(cmd.c_str());
  TProcessResult r;
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = dir.Read("out");
  r.Err = dir.Read("err");
  return r;
}

// RunProgram with input as the program's standard input.
inline TProcessResult RunProgramWithInput(const std::string& program, const std::string& arguments,
                                          const std::string& input) {
  TTempDir dir;
  const std::string in = dir.Write("in", input);
  const std::string cmd = std::string("'") + TESMARO_BINARY_DIR + "/" + program + "' " + arguments + " >'" +
                          dir.File("out") + "' 2>'" + dir.File("err") + "' <'" + in + "'";
  int status = std::system(cmd.c_str());
  TProcessResult r;
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = dir.Read("out");
  r.Err = dir.Read("err");
  return r;
}
