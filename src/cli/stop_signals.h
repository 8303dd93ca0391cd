// Ctrl-C (SIGINT) and SIGTERM while a command works on the programmer: instead of ending the
// process at once they ask the command to stop after its current exchange, so that the chip is
// closed and no output file is left; the command then ends with 128 + the signal's number.
#pragma once

#include <memory>

class TStopOnSignals {
 public:
  // From now until the destructor the two signals only set the stop flag. A signal that the
  // process ignores stays ignored.
  TStopOnSignals();
  ~TStopOnSignals();
  TStopOnSignals(const TStopOnSignals&) = delete;
  TStopOnSignals& operator=(const TStopOnSignals&) = delete;

  // The first of the two signals received, or 0.
  static int Signal();
  static bool Requested() { return Signal() != 0; }
  // 130 after SIGINT, 143 after SIGTERM.
  static int ExitCode() { return 128 + Signal(); }

 private:
  struct TState;
  std::unique_ptr<TState> State_;
};
