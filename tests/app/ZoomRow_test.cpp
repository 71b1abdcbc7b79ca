// The zoom row's two spinners and boxes, a range's runs and their names, the estimate
// line's text and its worker thread.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "app/EstimateLine.h"
#include "app/ZoomBox.h"
#include "app/ZoomJob.h"

namespace kartovel {
namespace {

ZoomRow Row(int32_t first, std::optional<int32_t> last) {
  ZoomRow row;
  row.First = first;
  row.FirstText = std::to_string(first);
  row.Last = last;
  row.LastText = std::to_string(last.value_or(first));
  return row;
}

TEST(ZoomRow, TheLastZoomFollowsTheFirstWhileEqualAndNeverFallsBelowIt) {
  const struct {
    ZoomRow From;
    ZoomEnd End;
    int32_t Step;
    int32_t First, Last;  // the spinners after the step
  } cases[] = {
      {Row(13, std::nullopt), ZoomEnd::First, +1, 14, 14},
      {Row(13, std::nullopt), ZoomEnd::First, -1, 12, 12},
      {Row(13, std::nullopt), ZoomEnd::Last, +1, 13, 14},
      {Row(13, std::nullopt), ZoomEnd::Last, -1, 13, 13},  // not below the first
      {Row(12, 15), ZoomEnd::First, -1, 11, 15},           // a range keeps its end
      {Row(15, 16), ZoomEnd::First, +1, 16, 16},           // the end is pushed up
      {Row(15, 16), ZoomEnd::First, +1, 16, 16},
      {Row(19, std::nullopt), ZoomEnd::First, +1, 19, 19},
      {Row(1, std::nullopt), ZoomEnd::First, -1, 1, 1},
      {Row(13, 19), ZoomEnd::Last, +1, 13, 19},  // the source's highest
  };
  for (const auto& c : cases) {
    const ZoomRow row = StepZoom(c.From, c.End, c.Step, 19);
    EXPECT_EQ(row.First, c.First) << c.From.First << " " << c.Step;
    EXPECT_EQ(LastZoomOf(row), c.Last) << c.From.First << " " << c.Step;
    EXPECT_EQ(row.FirstText, std::to_string(c.First));
    EXPECT_EQ(row.LastText, std::to_string(c.Last));
    EXPECT_EQ(row.Last.has_value(), c.Last > c.First);
  }
}

TEST(ZoomRow, ATypedLastZoomOutsideTheFirstToTheHighestIsRefusedAndTheBoxShowsTheSpinner) {
  const struct {
    const char* Typed;
    int32_t Last;
    const char* Refusal;
  } cases[] = {
      {"15", 15, ""},
      {"12", 13, "Zoom level \"12\" refused: it must be a number from 13 to 18."},
      {"19", 13, "Zoom level \"19\" refused: it must be a number from 13 to 18."},
      {"x", 13, "Zoom level \"x\" refused: it must be a number from 13 to 18."},
      {"13", 13, ""},
  };
  for (const auto& c : cases) {
    ZoomRow row = Row(13, std::nullopt);
    row.LastText = c.Typed;
    row = TakeTypedZoom(row, ZoomEnd::Last, {3, 18});
    EXPECT_EQ(LastZoomOf(row), c.Last) << c.Typed;
    EXPECT_EQ(row.LastText, std::to_string(c.Last)) << c.Typed;
    EXPECT_EQ(row.Refusal, c.Refusal) << c.Typed;
  }
}

TEST(ZoomRow, AnOpenedTaskIsOneZoomAndItsBoxShowsTheFilesNumber) {
  for (const int32_t zoom : {0, 7, 31}) {
    const ZoomRow row = OpenedTaskZoom(zoom);
    EXPECT_EQ(row.FirstText, std::to_string(zoom));
    EXPECT_EQ(row.First, std::clamp(zoom, kLowestZoom, kHighestZoom));
    EXPECT_FALSE(row.Last.has_value());
  }
}

TEST(ZoomJob, OneZoomKeepsTheTypedRequestAndARangeNamesATaskPerZoomInAscendingOrder) {
  RequestedJob job;
  job.First.TaskName = "survey";
  job.First.Zoom = "13";
  job.FirstZoom = job.LastZoom = 13;
  const auto one = RunsOfJob(job);
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].TaskName, "survey");  // completed by the run, as ever
  EXPECT_EQ(one[0].Zoom, "13");

  job.First.TaskName = "survey.qtsk";
  job.FirstZoom = 12;
  job.LastZoom = 14;
  const auto range = RunsOfJob(job);
  ASSERT_EQ(range.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(range[i].Zoom, std::to_string(12 + i));
    EXPECT_EQ(range[i].TaskName, "survey_" + std::to_string(12 + i) + ".qtsk");
  }
  EXPECT_EQ(ZoomRunStatus(13, 1, 2, "survey_13.qtsk"), "Zoom 13 (2 of 2): survey_13.qtsk");
}

TEST(EstimateLine, OneZoomShowsItsLineARangeItsTotalAndBothTheFreeSpace) {
  JobEstimate estimate;
  estimate.Folder = "/maps/";
  estimate.FreeBytes = uint64_t{3} << 30;
  estimate.Zooms.push_back({12, 4, 4096, 2, 4});
  EXPECT_EQ(EstimateLineOf(estimate).Line,
            "Zoom 12: 4 tiles, about 4 KB, about 2 s with 4 workers; 3.0 GB free");
  estimate.Zooms.push_back({13, 12, 12288, 3, 8});
  const EstimateShown shown = EstimateLineOf(estimate);
  EXPECT_EQ(shown.Line, "Zooms 12 to 13: 16 tiles, about 16 KB, about 5 s; 3.0 GB free");
  EXPECT_EQ(shown.Details, JobEstimateText(estimate));
}

TEST(BackgroundEstimate, ANewerAskStopsTheOneInHandAndOnlyItsAnswerIsShown) {
  BackgroundEstimate estimate;
  std::atomic<bool> firstStopped = false;
  std::atomic<bool> firstStarted = false;
  estimate.Ask([&](std::stop_token stop) {
    firstStarted = true;
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!stop.stop_requested() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    firstStopped = stop.stop_requested();
    return EstimateShown{"first", ""};
  });
  const auto until = [](const auto& predicate) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!predicate() && std::chrono::steady_clock::now() < limit) {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return predicate();
  };
  ASSERT_TRUE(until([&] { return firstStarted.load(); }));
  EXPECT_TRUE(estimate.Busy());
  estimate.Ask([](std::stop_token) { return EstimateShown{"second", ""}; });
  ASSERT_TRUE(until([&] { return !estimate.Busy(); }));
  EXPECT_TRUE(firstStopped);
  const auto answer = estimate.TakeAnswer();
  ASSERT_TRUE(answer.has_value());
  EXPECT_EQ(answer->Line, "second");
  EXPECT_FALSE(estimate.TakeAnswer().has_value());
}

}  // namespace
}  // namespace kartovel
