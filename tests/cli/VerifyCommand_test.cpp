// kartovel-cli verify as a user runs it: a downloaded task and its exports are whole
// (status 0), a cut export is damaged (status 2, the fault printed), and a long verify
// ends at the first Ctrl+C or SIGTERM within a second with status 130.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "cli/CliRig.h"
#include "common/Text.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::Sandbox;

TEST(VerifyCommand, ADownloadedTaskAndItsExportsAreWholeAndACutExportIsDamaged) {
  CliRig rig;
  ASSERT_EQ(rig.Run(rig.Download("10", "survey")).Status, 0);
  const std::string task = rig.MapsFile("survey.qtsk");
  const CliRun wholeTask = rig.Run({"verify", task});
  EXPECT_EQ(wholeTask.Status, 0) << wholeTask.Out << wholeTask.Err;
  EXPECT_TRUE(Contains(wholeTask.Out, task + ": task\nZoom 10: ")) << wholeTask.Out;
  EXPECT_TRUE(wholeTask.Out.ends_with("Whole.\n")) << wholeTask.Out;
  for (const char* extension : {".mbtiles", ".pmtiles", ".gpkg", ".sqlitedb"}) {
    const std::string out = rig.MapsFile(std::string("survey") + extension);
    ASSERT_EQ(rig.Run({"export", out, task}).Status, 0) << extension;
    const CliRun whole = rig.Run({"verify", out});
    EXPECT_EQ(whole.Status, 0) << whole.Out;
    std::filesystem::resize_file(out, std::filesystem::file_size(out) * 2 / 3);
    const CliRun cut = rig.Run({"verify", out});
    EXPECT_EQ(cut.Status, 2) << cut.Out;
    EXPECT_TRUE(Contains(cut.Out, "Damaged file: ")) << cut.Out;
    EXPECT_TRUE(cut.Out.ends_with("Damaged.\n")) << cut.Out;
  }
}

TEST(VerifyCommand, ALongVerifyStopsWithinASecondAtTheFirstSignal) {
  for (const int signal : {SIGINT, SIGTERM}) {
    CliRig rig;
    std::filesystem::create_directories(rig.Maps);
    // 268 million tiles, none on disk: minutes of work.
    const std::string task = rig.MapsFile("world.qtsk");
    Sandbox::WriteAll(task,
                      "[MapsType]\r\nMapsType=3\r\n[Zoom]\r\nZoom=14\r\n[XY]\r\nMinX=0\r\n"
                      "MinY=0\r\nMaxX=16383\r\nMaxY=16383\r\n");
    auto child = rig.Start({"verify", task});
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // past its start-up
    const auto signalled = std::chrono::steady_clock::now();
    child->Signal(signal);
    const CliRun run = rig.Finish(*child, std::chrono::seconds(10));
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - signalled;
    EXPECT_EQ(run.Status, 130) << run.Out << run.Err;
    EXPECT_LT(took.count(), 3.0);
    EXPECT_TRUE(run.Out.ends_with("Verify stopped before the end.\n")) << run.Out;
  }
}

}  // namespace
}  // namespace kartovel
