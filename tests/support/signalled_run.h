// Runs one of the built programs as a process, sends it a signal after a delay and waits for its
// end: the exit code, how long it took after the signal, and its output.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "support/temp_dir.h"

struct TSignalledRun {
  int ExitCode = -1;
  double SecondsAfterSignal = 0;
  std::string Out, Err;
};

// Runs "<build folder>/<program> args..." with standard input from /dev/null and its output in
// dir's files "stdout" and "stderr", sends signal after delay and waits for the end.
inline TSignalledRun RunAndSignal(const TTempDir& dir, const std::string& program, const std::vector<std::string>& args,
                                  int signal, std::chrono::milliseconds delay) {
  const std::string path = std::string(TESMARO_BINARY_DIR) + "/" + program;
  const std::string out = dir.File("stdout"), err = dir.File("stderr");
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(in, 0);
    dup2(o, 1);
    dup2(e, 2);
    std::vector<char*> argv{const_cast<char*>(path.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(path.c_str(), argv.data());
    _exit(127);
  }
  std::this_thread::sleep_for(delay);
  const auto sent = std::chrono::steady_clock::now();
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  TSignalledRun r;
  r.SecondsAfterSignal = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = dir.Read("stdout");
  r.Err = dir.Read("stderr");
  return r;
}
