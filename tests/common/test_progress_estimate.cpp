// The time left of a long operation from its progress positions, and its text in the status bar.
#include <gtest/gtest.h>

#include "common/progress_estimate.h"
#include "common/scripted_user_interface.h"

// Steady progress gives the time the rest takes at that rate; a new stage (the bar starts again)
// is measured on its own; nothing is said before enough is known, and nothing negative.
TEST(ProgressEstimate, TimeLeftFollowsTheRateOfTheStage) {
  TProgressEstimate e;
  e.Start(0);
  EXPECT_EQ(e.SecondsLeft(0), -1);
  e.Update(2, 0.5);
  EXPECT_EQ(e.SecondsLeft(0.5), -1);  // too early to say
  e.Update(10, 2.0);                  // 5 points a second: 18 s for the other 90
  EXPECT_EQ(e.SecondsLeft(2.0), 18);
  EXPECT_EQ(e.SecondsLeft(5.0), 15);  // time passes without a new position
  EXPECT_EQ(e.SecondsLeft(60.0), 0);
  // The check after the write: a slower stage from 0.
  e.Update(0, 20.0);
  EXPECT_EQ(e.Position(), 0);
  EXPECT_EQ(e.SecondsLeft(20.0), -1);
  e.Update(20, 30.0);  // 2 points a second: 40 s for the other 80
  EXPECT_EQ(e.SecondsLeft(30.0), 40);
  e.Update(100, 70.0);
  EXPECT_EQ(e.SecondsLeft(70.0), 0);
}

TEST(ProgressEstimate, TextSaysPercentAndTimeLeft) {
  TScriptedUserInterface ui;
  EXPECT_EQ(ProgressStatusText(45, -1, ui), "45 % done");
  EXPECT_EQ(ProgressStatusText(45, 12, ui), "45 %, about 12 s left");
  EXPECT_EQ(ProgressStatusText(5, 65, ui), "5 %, about 1 min 05 s left");
  EXPECT_EQ(ProgressStatusText(5, 600, ui), "5 %, about 10 min 00 s left");
}
