// The estimate of a download: the largest worker share times the pause, and its text.
#include "map/DownloadEstimate.h"

#include <gtest/gtest.h>

namespace kartovel {
namespace {

using std::chrono::milliseconds;

TEST(DownloadEstimateTest, EachWorkerFetchesItsShareWithAPauseAfterEachTile) {
  struct Case {
    int64_t tiles;
    int32_t workers;
    milliseconds pause;
    const char* expected;
  };
  const Case cases[] = {
      {744, 8, milliseconds(1000), "744 tiles, about 1 min 33 s with 8 workers"},
      {745, 8, milliseconds(1000), "745 tiles, about 1 min 34 s with 8 workers"},
      {3, 8, milliseconds(1000), "3 tiles, about 1 s with 3 workers"},
      {1, 2, milliseconds(1000), "1 tile, about 1 s with 1 worker"},
      {120, 2, milliseconds(1000), "120 tiles, about 1 min with 2 workers"},
      {100000, 8, milliseconds(1000), "100000 tiles, about 3 h 28 min with 8 workers"},
      {5000, 1, milliseconds(250), "5000 tiles, about 20 min 50 s with 1 worker"},
      {3456000, 4, milliseconds(1000), "3456000 tiles, about 10 days with 4 workers"},
      {10, 4, milliseconds(0), "10 tiles, about 0 s with 4 workers"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EstimateText(EstimateDownload(c.tiles, c.workers, c.pause)), c.expected);
  }
}

TEST(DownloadEstimateTest, AWholeWorldAtTheDeepestZoomStaysAFiniteSpan) {
  const DownloadEstimate estimate = EstimateDownload(int64_t{1} << 60, 1, milliseconds(60000));
  EXPECT_GT(estimate.Seconds, int64_t{1} << 40);
  EXPECT_EQ(DurationText(90061), "1 d 1 h");
}

}  // namespace
}  // namespace kartovel
