// Progress lines on standard error while it is a terminal: one line per programmer, each with its
// percentage, bytes, rate and time left, redrawn in place. Nothing at all when standard error is
// not a terminal, so that logs and pipes get no progress text.
#pragma once

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

// "[#########           ] writing  45 %  29696 of 65536 bytes  12.5 KiB/s  0:03 left". total
// 0: only the bar, the phase and the percentage; seconds: since the first step of the phase,
// which had done firstBytes; rate and time left once some time has passed. phase may be empty.
std::string ProgressText(int position, uint64_t total, uint64_t firstBytes, double seconds,
                         const std::string& phase = {});

class TProgressBoard {
 public:
  // lines: one per programmer. shown false: the board prints nothing (not a terminal, --quiet).
  TProgressBoard(size_t lines, bool shown);
  // Standard error is a terminal.
  static bool Terminal();

  // The text before line's bar (a programmer's node) and the bytes that 100 % stands for.
  void SetLine(size_t line, const std::string& label, uint64_t total);
  // What line's progress stands for from now on ("writing", "checking"); empty: nothing said.
  void SetPhase(size_t line, const std::string& phase);
  // line's position from 0 to 100. A position lower than the last one starts a new phase (the
  // read-back after a write): the lines reached so far stay on the screen and new ones start
  // below them. Safe to call from several threads.
  void Update(size_t line, int position);
  // Leaves the cursor below the lines.
  void Finish();

 private:
  struct TLine {
    std::string Label;
    std::string Phase;
    uint64_t Total = 0;
    int Position = -1;
    uint64_t FirstBytes = 0;
    std::chrono::steady_clock::time_point Start;
  };
  void Draw(size_t line);

  std::mutex Mutex_;
  std::vector<TLine> Lines_;
  bool Shown_;
  bool Drawn_ = false;  // the block of lines is on the screen, the cursor below it
};
