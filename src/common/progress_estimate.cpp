#include "common/progress_estimate.h"

#include <cmath>

#include "common/error.h"

void TProgressEstimate::Start(double now) {
  StageStart_ = PositionTime_ = now;
  StagePosition_ = Position_ = 0;
}

void TProgressEstimate::Update(int position, double now) {
  if (position < Position_) {
    // A new stage (a check after a write, a write after a backup): its rate is its own.
    StageStart_ = now;
    StagePosition_ = position;
  }
  Position_ = position;
  PositionTime_ = now;
}

int TProgressEstimate::SecondsLeft(double now) const {
  const int done = Position_ - StagePosition_;
  const double spent = PositionTime_ - StageStart_;
  if (done < 3 || spent < 1.0 || Position_ >= 100) return Position_ >= 100 ? 0 : -1;
  const double perPoint = spent / done;
  // From the moment the last position was reached; time since then counts as already spent.
  const double left = perPoint * (100 - Position_) - (now - PositionTime_);
  return left <= 0 ? 0 : static_cast<int>(std::ceil(left - 1e-6));  // no whole second from rounding alone
}

std::string ProgressStatusText(int position, int secondsLeft, TUserInterface& ui) {
  const std::string percent = std::to_string(position);
  if (secondsLeft < 0) return FormatText(ui.MessageText("ProgressPercent"), {percent});
  const std::string time = secondsLeft < 60
                               ? FormatText(ui.MessageText("TimeSeconds"), {std::to_string(secondsLeft)})
                               : FormatText(ui.MessageText("TimeMinutes"),
                                            {std::to_string(secondsLeft / 60),
                                             (secondsLeft % 60 < 10 ? "0" : "") + std::to_string(secondsLeft % 60)});
  return FormatText(ui.MessageText("ProgressLeft"), {percent, time});
}
