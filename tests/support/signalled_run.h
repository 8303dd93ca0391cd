// Runs one of the built programs as a process, sends it a signal once it is under way and waits
// for its end: the exit code, how long it took after the signal, and its output.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "support/temp_dir.h"
#include "support/wait_until.h"

struct TSignalledRun {
  int ExitCode = -1;
  bool UnderWay = false;  // the program had got as far as asked when the signal went
  double SecondsAfterSignal = 0;
  std::string Out, Err;
};

// Runs "<build folder>/<program> args..." with standard input from /dev/null and its output in
// dir's files "stdout" and "stderr", sends signal once underWay holds (or a minute passed) and
// waits for the end.
inline TSignalledRun RunAndSignal(const TTempDir& dir, const std::string& program, const std::vector<std::string>& args,
                                  int signal, const std::function<bool()>& underWay) {
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
  const bool reached = WaitUntil(underWay);
  const auto sent = std::chrono::steady_clock::now();
  kill(pid, signal);
  int status = 0;
  waitpid(pid, &status, 0);
  TSignalledRun r;
  r.UnderWay = reached;
  r.SecondsAfterSignal = std::chrono::duration<double>(std::chrono::steady_clock::now() - sent).count();
  r.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.Out = dir.Read("stdout");
  r.Err = dir.Read("stderr");
  return r;
}

// A condition for RunAndSignal: the simulated programmer has logged at least `exchanges` lines
// (one per exchange) into dir's file `log`.
inline std::function<bool()> LoggedExchanges(const TTempDir& dir, const std::string& log, size_t exchanges) {
  return [&dir, log, exchanges] {
    const std::string text = dir.Read(log);
    return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')) >= exchanges;
  };
}
