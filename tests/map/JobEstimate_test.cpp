// The estimate of a job before it starts: counts, sizes from samples or a stated average,
// time at the source's pace; and when it is asked about or refused.
#include "map/JobEstimate.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

#include "common/SpokenDuration.h"
#include "map/JobLimits.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

EstimateRequest Rectangle(double left, double right, double top, double bottom, int32_t first,
                          int32_t last) {
  EstimateRequest request;
  request.Params.LeftLongitude = left;
  request.Params.RightLongitude = right;
  request.Params.TopLatitude = top;
  request.Params.BottomLatitude = bottom;
  request.Params.SavePath = "/";
  request.FirstZoom = first;
  request.LastZoom = last;
  request.Workers = 8;
  request.Pause = std::chrono::milliseconds(1000);
  return request;
}

TEST(JobEstimateTest, CountsPerZoomAreTheTasksOwn) {
  // Figures of tasks the program built for these rectangles.
  struct Case {
    double left, right, top, bottom;
    int32_t zoom;
    int64_t tiles;
  };
  const Case cases[] = {
      {5.9, 15.0, 55.1, 47.3, 19, 241063752},
      {12, 15, 53.5, 51.5, 19, 20919190},
      {10, 10.5, 50, 49.6, 12, 56},
      {10, 10.5, 50, 49.6, 13, 180},
      {10, 10.5, 50, 49.6, 14, 667},
  };
  for (const Case& c : cases) {
    const JobEstimate estimate = EstimateJob(Rectangle(c.left, c.right, c.top, c.bottom, c.zoom, c.zoom));
    ASSERT_EQ(estimate.Zooms.size(), 1u);
    EXPECT_EQ(estimate.Zooms[0].Tiles, c.tiles) << c.zoom;
  }
  const JobEstimate range = EstimateJob(Rectangle(10, 10.5, 50, 49.6, 12, 14));
  ASSERT_EQ(range.Zooms.size(), 3u);
  EXPECT_EQ(range.Zooms[2].Zoom, 14);
  EXPECT_EQ(range.Tiles(), 56 + 180 + 667);
}

TEST(JobEstimateTest, SizeComesFromAtMostThreeDistinctTilesOfTheAreaPerZoom) {
  EstimateRequest request = Rectangle(10, 10.5, 50, 49.6, 12, 14);
  std::map<int32_t, std::set<std::pair<int32_t, int32_t>>> asked;
  request.Probe = [&](int32_t x, int32_t y, int32_t zoom) -> std::optional<uint64_t> {
    asked[zoom].insert({x, y});
    return zoom == 13 ? std::nullopt : std::optional<uint64_t>(1000 + 1000 * (x % 2));
  };
  const JobEstimate estimate = EstimateJob(request);
  for (const ZoomEstimate& zoom : estimate.Zooms) {
    TaskParameters params = request.Params;
    params.Zoom = zoom.Zoom;
    const RequestTileRange range = TileRangeOf(params);
    EXPECT_GE(asked[zoom.Zoom].size(), 1u);
    EXPECT_LE(asked[zoom.Zoom].size(), 3u);
    uint64_t sum = 0;
    for (const auto& [x, y] : asked[zoom.Zoom]) {
      EXPECT_TRUE(x >= range.MinX && x <= range.MaxX && y >= range.MinY() && y <= range.MaxY());
      sum += 1000 + 1000 * (x % 2);
    }
    if (zoom.Zoom == 13) {
      EXPECT_FALSE(zoom.Bytes);  // no tile could be had: no figure made up
    } else {
      ASSERT_TRUE(zoom.Bytes);
      const double mean = static_cast<double>(sum) / asked[zoom.Zoom].size();
      EXPECT_NEAR(static_cast<double>(*zoom.Bytes), mean * zoom.Tiles, 1);
    }
  }
  EXPECT_FALSE(estimate.Bytes());
  // A single tile is sampled once.
  const auto one = SampleTiles(RequestTileRange{5, 5, 7, 7}, 3);
  EXPECT_EQ(one, (std::vector<std::pair<int32_t, int32_t>>{{5, 7}}));
}

TEST(JobEstimateTest, AStatedAverageIsUsedWithoutFetchingAndTimeFollowsThePace) {
  EstimateRequest request = Rectangle(10, 10.5, 50, 49.6, 14, 14);
  request.AverageTileKB = 20;
  request.Workers = 2;
  request.Pause = std::chrono::milliseconds(500);
  int probes = 0;
  request.Probe = [&](int32_t, int32_t, int32_t) -> std::optional<uint64_t> {
    ++probes;
    return 1;
  };
  const JobEstimate estimate = EstimateJob(request);
  EXPECT_EQ(probes, 0);
  EXPECT_EQ(*estimate.Bytes(), uint64_t{667} * 20 * 1024);
  EXPECT_EQ(estimate.Seconds(), 167);  // a share of 334 tiles, half a second each
  EXPECT_EQ(ZoomEstimateText(estimate.Zooms[0]),
            "Zoom 14: 667 tiles, about 13 MB, about 2 min 47 s with 2 workers");
}

TEST(JobEstimateTest, LongSpansAndSizesReadAsPeopleSayThem) {
  const std::pair<int64_t, const char*> spans[] = {
      {2 * 86400 - 1, ""},          {2 * 86400, "2 days"},      {743 * 3600 + 900, "31 days"},
      {89 * 86400, "89 days"},      {90 * 86400, "3 months"},   {400 * 86400, "13 months"},
      {3 * 31556952, "3 years"},
  };
  for (const auto& [seconds, text] : spans) {
    EXPECT_EQ(SpokenLongDuration(seconds).value_or(""), text) << seconds;
  }
  EXPECT_EQ(SizeText(1), "1 KB");
  EXPECT_EQ(SizeText(1536 * 1024), "1.5 MB");
  EXPECT_EQ(SizeText(uint64_t{26} << 30), "26 GB");
}

TEST(JobLimitsTest, AJobIsAskedAboutAboveTheThresholdOrTheFreeSpaceAndRefusedAboveTheCeiling) {
  struct Case {
    int64_t tiles;
    std::optional<uint64_t> bytes;
    std::optional<uint64_t> freeBytes;
    bool askAboveSpace;
    bool asked;
    bool refused;
  };
  const Case cases[] = {
      {100000, 10, 100, true, false, false},     {100001, 10, 100, true, true, false},
      {10, 101, 100, true, true, false},         {10, 101, 100, false, false, false},
      {10, std::nullopt, 100, true, false, false}, {10, 101, std::nullopt, true, false, false},
      {50000000, 1, 100, true, true, false},     {50000001, 1, 100, true, true, true},
  };
  for (const Case& c : cases) {
    JobEstimate estimate;
    estimate.Zooms.push_back({12, c.tiles, c.bytes, 1, 8});
    estimate.FreeBytes = c.freeBytes;
    JobLimits limits;
    limits.AskAboveFreeSpace = c.askAboveSpace;
    EXPECT_EQ(NeedsQuestion(estimate, limits), c.asked) << c.tiles;
    EXPECT_EQ(CeilingRefusal(estimate, limits).has_value(), c.refused) << c.tiles;
  }
  JobEstimate deep;
  deep.Zooms.push_back({19, 241063752, std::nullopt, 1, 8});
  EXPECT_EQ(*CeilingRefusal(deep, JobLimits{}),
            "The task at zoom 19 would hold 241063752 tiles, more than the 50000000 a task may "
            "hold. Choose a smaller area or a lower zoom.");
}

TEST(JobLimitsTest, ASourcesTermsAreShownAndAJobBeyondItsLimitOverAllZoomsIsRefused) {
  const struct {
    int32_t maxTiles;
    const char* policy;
    int64_t tiles;  // in each of two zooms
    const char* refusal;  // nullptr: none
  } cases[] = {
      {0, "", 4000, nullptr},
      {8000, "", 4000, nullptr},
      {7999, "", 4000,
       "This download of 8000 tiles is beyond the 7999 tiles per job that \"Terms\" allows "
       "(MaxTilesPerJob in ini/sources.ini). Choose a smaller area or fewer zooms."},
      {100, "https://tiles.example.org/terms", 60,
       "This download of 120 tiles is beyond the 100 tiles per job that \"Terms\" allows "
       "(MaxTilesPerJob in ini/sources.ini); its usage policy: https://tiles.example.org/terms. "
       "Choose a smaller area or fewer zooms."},
  };
  for (const auto& c : cases) {
    JobEstimate estimate;
    estimate.Zooms.push_back({12, c.tiles, std::nullopt, 1, 2});
    estimate.Zooms.push_back({13, c.tiles, std::nullopt, 1, 2});
    estimate.SourceName = "Terms";
    estimate.MaxTilesPerJob = c.maxTiles;
    estimate.Policy = c.policy;
    const std::optional<std::string> refusal = CeilingRefusal(estimate, JobLimits{});
    EXPECT_EQ(refusal.value_or("none"), c.refusal ? c.refusal : "none") << c.maxTiles;
    const std::string lines = JobEstimateText(estimate);
    EXPECT_EQ(lines.find("allows at most") != std::string::npos, c.maxTiles > 0) << lines;
    EXPECT_EQ(lines.find(std::string("Usage policy of \"Terms\": ") + c.policy) != std::string::npos,
              *c.policy != 0)
        << lines;
  }
}

TEST(JobLimitsTest, ConfigurationValuesThatAreNoNumbersAreNamed) {
  testing::Sandbox box;
  const std::string config = box.Path("config.ini");
  const std::pair<std::string, std::string> cases[] = {
      {"", ""},
      {"[Jobs]\nAskAboveTiles=5000\nAskAboveFreeSpace=0\n", ""},
      {"[Jobs]\nAskAboveTiles=lots\n", "Jobs AskAboveTiles \"lots\" is not a whole number"},
      {"[Jobs]\nAskAboveTiles=-3\n", "Jobs AskAboveTiles \"-3\" is not a whole number"},
      {"[Jobs]\nMaxTaskTiles=1e9\n", "Jobs MaxTaskTiles \"1e9\" is not a whole number"},
      {"[Jobs]\nMaxTaskTiles=60000000\n", "Jobs MaxTaskTiles \"60000000\" must be from 1 to"},
  };
  for (const auto& [text, fault] : cases) {
    testing::Sandbox::WriteAll(config, text);
    const auto limits = ReadJobLimits(config);
    if (fault.empty()) {
      ASSERT_TRUE(std::holds_alternative<JobLimits>(limits)) << text;
    } else {
      ASSERT_TRUE(std::holds_alternative<std::string>(limits)) << text;
      EXPECT_NE(std::get<std::string>(limits).find(fault), std::string::npos)
          << std::get<std::string>(limits);
    }
  }
  testing::Sandbox::WriteAll(config, "");
  WriteJobLimits(config, JobLimits{5000, false, JobLimits::kCeiling});
  const JobLimits read = std::get<JobLimits>(ReadJobLimits(config));
  EXPECT_EQ(read.AskAboveTiles, 5000);
  EXPECT_FALSE(read.AskAboveFreeSpace);
}

}  // namespace
}  // namespace kartovel
