// The progress texts under the tile count.
#include "app/ProgressText.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

TEST(ProgressTextTest, DurationsSwitchToHoursFromOneHour) {
  const std::pair<int64_t, const char*> cases[] = {
      {0, "0:00"},       {59, "0:59"},        {61, "1:01"}, {3599, "59:59"},
      {3600, "1:00:00"}, {90061, "25:01:01"}, {-5, "0:00"}};
  for (const auto& [seconds, text] : cases) {
    EXPECT_EQ(TimeLeftText(seconds), text) << seconds;
  }
}

TEST(ProgressTextTest, FiguresAppearOnceKnown) {
  RunProgress progress;
  EXPECT_EQ(ProgressBarText(progress), "");
  EXPECT_EQ(ProgressDetailText(progress), "");

  progress.TotalCount = 120;
  progress.SettledCount = 30;
  progress.FailedCount = 2;
  EXPECT_EQ(ProgressBarText(progress), "30 of 120");
  EXPECT_EQ(ProgressDetailText(progress), "Failed: 2");

  progress.TilesPerMinute = 59.6;
  progress.SecondsLeft = 90;
  EXPECT_EQ(ProgressDetailText(progress), "Failed: 2   60 tiles/min   Time left: 1:30");
}

}  // namespace
}  // namespace kartovel
