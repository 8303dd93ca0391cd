// The time a long operation still needs, from the positions of its progress bar (0 to 100) and
// the moments they were reached.
#pragma once

#include <string>

#include "common/user_interface.h"

class TProgressEstimate {
 public:
  // The operation starts (or a new stage of it: the bar starts again from a lower position).
  void Start(double now);
  void Update(int position, double now);
  int Position() const { return Position_; }
  // Whole seconds left at the rate since the stage began, rounded up; -1 while too little is
  // known to say (under 3 % of the stage or under one second into it).
  int SecondsLeft(double now) const;

 private:
  double StageStart_ = 0;
  int StagePosition_ = 0;  // the position the stage began at
  int Position_ = 0;
  double PositionTime_ = 0;
};

// "45 %, about 1 min 05 s left", or "45 % done" while the time left is unknown, in the language of ui.
std::string ProgressStatusText(int position, int secondsLeft, TUserInterface& ui);
