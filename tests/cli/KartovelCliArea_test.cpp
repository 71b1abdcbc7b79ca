// kartovel-cli with a shape file for its area: only the covered tiles are asked for and
// saved, a rerun continues the same task, and each refused shape file ends the command
// before anything is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "cli/CliRig.h"
#include "shape/ShapeCoverage.h"
#include "shape/ShapeFile.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::Sandbox;

// A GPX river of a few bends, wide 300 m on each side.
constexpr const char* kRiver = R"(<?xml version="1.0"?>
<gpx version="1.1"><trk><name>River</name><trkseg>
<trkpt lat="49.95" lon="10.02"/><trkpt lat="49.80" lon="10.15"/><trkpt lat="49.85" lon="10.35"/>
<trkpt lat="49.70" lon="10.45"/></trkseg></trk></gpx>)";

std::vector<std::string> AreaDownload(const CliRig& rig, const std::string& file,
                                      const std::vector<std::string>& more) {
  std::vector<std::string> command{"download", "--area", file, "--zoom", "12", "--name", "river",
                                   "--path", rig.Maps, "--quiet"};
  command.insert(command.end(), more.begin(), more.end());
  return command;
}

TEST(KartovelCliArea, DownloadsTheCoveredTilesOfAShapeFileAndContinuesThem) {
  CliRig rig;
  const std::string file = rig.Box.Path("river.gpx");
  Sandbox::WriteAll(file, kRiver);
  const ShapeCoverage coverage(ReadShapeFile(file, 300.0).Value, 12);
  const CliRun run = rig.Run(AreaDownload(rig, file, {"--corridor", "300"}));
  ASSERT_EQ(run.Status, 0) << run.Err;
  const std::string count = std::to_string(coverage.CoveredCount());
  EXPECT_EQ(run.Out, rig.MapsFile("river.qtsk") + ": " + count + " of " + count +
                         " tiles, 0 blank, 0 failed records\n");
  EXPECT_EQ(rig.Server.RequestCount(), size_t(coverage.CoveredCount()));
  size_t saved = 0;
  for (const auto& entry : std::filesystem::directory_iterator(rig.MapsFile("river"))) {
    int x = 0, y = 0, zoom = 0;
    ASSERT_EQ(std::sscanf(entry.path().filename().c_str(), "qn_%d_%d_%d.png", &x, &y, &zoom), 3);
    EXPECT_TRUE(coverage.Holds(x, y)) << entry.path();
    ++saved;
  }
  EXPECT_EQ(saved, size_t(coverage.CoveredCount()));
  EXPECT_LT(coverage.CoveredCount(), coverage.Bounds().Count() / 2);

  const CliRun again = rig.Run(AreaDownload(rig, file, {"--corridor", "300"}));
  EXPECT_EQ(again.Status, 0) << again.Err;
  EXPECT_EQ(rig.Server.RequestCount(), size_t(coverage.CoveredCount()));  // nothing again
  EXPECT_NE(Sandbox::ReadAll(rig.MapsFile("river_log.txt")).find("Log continue..."), std::string::npos);
}

TEST(KartovelCliArea, RefusedShapeFilesAndArgumentsEndTheCommandBeforeAnyFile) {
  CliRig rig;
  const std::string river = rig.Box.Path("river.gpx");
  Sandbox::WriteAll(river, kRiver);
  const std::string tie = rig.Box.Path("tie.geojson");
  Sandbox::WriteAll(tie, R"({"type":"Polygon","coordinates":[[[10,49],[10.4,49.4],[10.4,49],[10,49.4],[10,49]]]})");
  const struct {
    std::vector<std::string> arguments;
    int status;
    std::string error;
  } cases[] = {
      {AreaDownload(rig, river, {}), 3,
       river + " holds a track or line: give the corridor's width in metres on each side.\n"},
      {AreaDownload(rig, river, {"--corridor", "0"}), 3,
       "The corridor's width must be more than 0 and at most 100000 metres on each side.\n"},
      {AreaDownload(rig, rig.Box.Path("none.kml"), {}), 3,
       "Cannot open file " + rig.Box.Path("none.kml") + ".\n"},
      // The repair question is answered No without a terminal.
      {AreaDownload(rig, tie, {}), 3,
       "The area of " + tie + " is not valid: Self-intersection near longitude 10.200000, latitude "
       "49.200404. Repair it (its crossing parts become polygons of their own)? No\n"},
      {AreaDownload(rig, river, {"--corridor", "300", "--left", "1"}), 2, "--area excludes --left"},
      {{"download", "--corridor", "300", "--zoom", "12", "--name", "a", "--path", rig.Maps}, 2,
       "--corridor requires --area"},
      {{"download", "--left", "1", "--zoom", "12", "--name", "a", "--path", rig.Maps}, 2,
       "--left, --right, --top and --bottom are required unless --area is given\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.error);
    const CliRun run = rig.Run(c.arguments);
    EXPECT_EQ(run.Status, c.status);
    if (c.status == 2) {
      EXPECT_NE(run.Err.find(c.error), std::string::npos) << run.Err;
    } else {
      EXPECT_EQ(run.Err, c.error);
    }
    EXPECT_FALSE(std::filesystem::exists(rig.Maps));
  }
  EXPECT_EQ(rig.Server.RequestCount(), 0u);
}

}  // namespace
}  // namespace kartovel
