// The cost of a download on the command line: --dry-run prints it and writes nothing, a
// job above the configured size is refused without --yes, a task above the largest always.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliRig.h"
#include "map/JobEstimate.h"
#include "support/LoopbackReplies.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::Sandbox;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

void SetJobs(CliRig& rig, const std::string& jobs) {
  Sandbox::WriteAll(rig.ProgramFolder + "ini/config.ini",
                    "[IniParas]\r\nVersion=6.436\r\n[TileService]\r\nHost=" +
                        rig.Server.HostPort() + "\r\n[Jobs]\r\n" + jobs);
}

TEST(JobEstimateCli, ADryRunPrintsEachZoomFromSampledTilesAndWritesNothing) {
  CliRig rig;
  std::vector<std::string> command = rig.Download("9-10", "survey");
  command.push_back("--dry-run");
  const CliRun run = rig.Run(command);
  ASSERT_EQ(run.Status, 0) << run.Err;
  const uint64_t tile = testing::SmallPng().size();
  EXPECT_TRUE(Contains(run.Out, "Zoom 9: 2 tiles, about " + SizeText(2 * tile) +
                                    ", about 1 s with 2 workers\n"))
      << run.Out;
  EXPECT_TRUE(Contains(run.Out, "Zoom 10: 6 tiles, about " + SizeText(6 * tile))) << run.Out;
  EXPECT_TRUE(Contains(run.Out, "Total: 8 tiles, about " + SizeText(8 * tile))) << run.Out;
  EXPECT_TRUE(Contains(run.Out, "Free space in " + rig.Maps + ": ")) << run.Out;
  // Two tiles at zoom 9, three of the six at zoom 10; no folder, no task.
  EXPECT_EQ(rig.Server.RequestCount(), 5u);
  EXPECT_FALSE(std::filesystem::exists(rig.Maps));

  // A source that states its average tile size is not asked at all.
  Sandbox::WriteAll(rig.ProgramFolder + "ini/sources.ini",
                    "[MapType 100]\r\nName=Local\r\nUrl=http://" + rig.Server.HostPort() +
                        "/{z}/{x}/{y}.png\r\nAverageTileKB=12.5\r\n");
  command.insert(command.end(), {"--source", "100"});
  const CliRun stated = rig.Run(command);
  ASSERT_EQ(stated.Status, 0) << stated.Err;
  EXPECT_TRUE(Contains(stated.Out, "Zoom 10: 6 tiles, about 75 KB, about 3 s with 2 workers"))
      << stated.Out;
  EXPECT_EQ(rig.Server.RequestCount(), 5u);
}

TEST(JobEstimateCli, AJobAboveTheThresholdIsRefusedWithItsEstimateUnlessYesIsGiven) {
  CliRig rig;
  SetJobs(rig, "AskAboveTiles=7\r\n");
  std::vector<std::string> command = rig.Download("9-10", "survey");
  command.push_back("--quiet");
  const CliRun refused = rig.Run(command);
  EXPECT_EQ(refused.Status, 3);
  EXPECT_TRUE(Contains(refused.Err, "Total: 8 tiles")) << refused.Err;
  EXPECT_TRUE(Contains(refused.Err, "give --yes to start it")) << refused.Err;
  EXPECT_FALSE(std::filesystem::exists(rig.Maps));

  command.push_back("--yes");
  const size_t sampled = rig.Server.RequestCount();
  const CliRun started = rig.Run(command);
  EXPECT_EQ(started.Status, 0) << started.Err;
  EXPECT_EQ(rig.Server.RequestCount(), sampled + 8);  // the tiles, and no sample more

  // A threshold that is no number is named; nothing starts.
  SetJobs(rig, "AskAboveTiles=many\r\n");
  const CliRun bad = rig.Run(rig.Download("11", "other"));
  EXPECT_EQ(bad.Status, 3);
  EXPECT_TRUE(Contains(bad.Err, "AskAboveTiles \"many\" is not a whole number")) << bad.Err;
  EXPECT_FALSE(std::filesystem::exists(rig.MapsFile("other.qtsk")));
}

TEST(JobEstimateCli, ATaskAboveTheLargestIsRefusedEvenWithYes) {
  CliRig rig;
  std::vector<std::string> command =
      rig.Download("19", "country", {"5.9", "15.0", "55.1", "47.3"});
  command.push_back("--yes");
  const CliRun run = rig.Finish(*rig.Start(command), std::chrono::seconds(10));
  EXPECT_EQ(run.Status, 3);
  EXPECT_TRUE(Contains(run.Err, "would hold 241063752 tiles, more than the 50000000")) << run.Err;
  EXPECT_FALSE(std::filesystem::exists(rig.Maps));
}

TEST(JobEstimateCli, ASourcesTermsAreShownByADryRunAndAJobBeyondItsLimitIsRefusedEvenWithYes) {
  CliRig rig;
  Sandbox::WriteAll(rig.ProgramFolder + "ini/sources.ini",
                    "[MapType 100]\r\nName=Local\r\nUrl=http://" + rig.Server.HostPort() +
                        "/{z}/{x}/{y}.png\r\nAverageTileKB=10\r\nMaxTilesPerJob=7\r\n"
                        "Policy=No bulk downloads, see http://example.org/terms\r\n");
  std::vector<std::string> command = rig.Download("9-10", "survey");
  command.insert(command.end(), {"--source", "100", "--dry-run"});
  const CliRun dry = rig.Run(command);
  EXPECT_EQ(dry.Status, 0) << dry.Err;
  EXPECT_TRUE(Contains(dry.Out, "\"Local\" allows at most 7 tiles per job")) << dry.Out;
  EXPECT_TRUE(Contains(dry.Out,
                       "Usage policy of \"Local\": No bulk downloads, see http://example.org/terms"))
      << dry.Out;

  command.back() = "--yes";
  const CliRun refused = rig.Run(command);
  EXPECT_EQ(refused.Status, 3);
  EXPECT_TRUE(Contains(refused.Err, "This download of 8 tiles is beyond the 7 tiles per job that "
                                    "\"Local\" allows (MaxTilesPerJob in ini/sources.ini); its "
                                    "usage policy: No bulk downloads"))
      << refused.Err;
  EXPECT_EQ(rig.Server.RequestCount(), 0u);
  EXPECT_FALSE(std::filesystem::exists(rig.Maps));
}

}  // namespace
}  // namespace kartovel
