// usbvm_stopwatch: runs a command and prints its wall time ("stopwatch: 123.456 ms") on standard
// error; exits with the command's exit code (128 + signal when it was killed).
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: usbvm_stopwatch COMMAND [ARGS...]\n");
    return 2;
  }
  const auto t0 = std::chrono::steady_clock::now();
  pid_t pid = fork();
  if (pid == 0) {
    execvp(argv[1], argv + 1);
    std::perror(argv[1]);
    _exit(127);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  std::fprintf(stderr, "stopwatch: %.3f ms\n", ms);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
