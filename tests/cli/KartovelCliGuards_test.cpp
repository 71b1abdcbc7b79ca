// kartovel-cli against unsafe inputs and lost output: an export whose output names one of
// its own tasks, an export that runs out of room, a task file the program never writes,
// a re-download stopped by a signal, and standard output that cannot be written.
#include <gtest/gtest.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "cli/CliRig.h"
#include "support/FolderSnapshot.h"
#include "support/LoopbackReplies.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::LoopbackServer;
using testing::Sandbox;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

bool HoldsTemporary(const std::string& folder) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    if (Contains(entry.path().filename().string(), ".tmp")) {
      return true;
    }
  }
  return false;
}

TEST(KartovelCliGuards, AnExportIntoOneOfItsTasksFilesIsRefusedAndTouchesNothing) {
  CliRig rig;
  ASSERT_EQ(rig.Run(rig.Download("9-10", "survey")).Status, 0);
  const std::string first = rig.MapsFile("survey_9.qtsk");
  const std::string second = rig.MapsFile("survey_10.qtsk");
  std::filesystem::create_symlink(first, rig.MapsFile("alias.mbtiles"));
  const struct {
    std::vector<std::string> command;
    std::string error;
  } cases[] = {
      {{"export", first, second},
       "Cannot export to " + first +
           ": an export file's name ends in .mbtiles, .pmtiles, .gpkg or .sqlitedb.\n"},
      {{"export", rig.MapsFile("alias.mbtiles"), first},
       "Cannot export to " + rig.MapsFile("alias.mbtiles") + ": it is " + first +
           ", a file of the task " + first + ".\n"},
  };
  const testing::FolderSnapshot before = testing::SnapshotFolder(rig.Maps);
  for (const auto& c : cases) {
    const CliRun run = rig.Run(c.command);
    EXPECT_EQ(run.Status, 3) << run.Err;
    EXPECT_EQ(run.Err, c.error);
    EXPECT_FALSE(Contains(run.Out, "Exported")) << run.Out;
  }
  EXPECT_EQ(testing::SnapshotFolder(rig.Maps), before);
}

TEST(KartovelCliGuards, AnExportThatRunsOutOfRoomNamesTheCauseAndFailsWithoutATemporary) {
  CliRig rig;
  ASSERT_EQ(rig.Run(rig.Download("10", "survey")).Status, 0);
  const std::string out = rig.MapsFile("survey.mbtiles");
  // The shell limits the size of every file the program writes to 50 kB, less than the
  // export's first pages; past it a write fails as on a full disk.
  auto child = std::make_unique<testing::ChildProcess>(
      "/bin/sh",
      std::vector<std::string>{"-c", "trap '' XFSZ; ulimit -f 100; exec \"$0\" \"$@\"",
                               rig.ProgramFolder + "kartovel-cli", "export", out,
                               rig.MapsFile("survey.qtsk")},
      rig.Environment(), rig.Box.Path("limited-out.txt"), rig.Box.Path("limited-err.txt"));
  const std::optional<int> status = child->Wait(std::chrono::seconds(30));
  const std::string err = Sandbox::ReadAll(rig.Box.Path("limited-err.txt"));
  EXPECT_EQ(status, 1) << err;
  EXPECT_EQ(err, "Cannot write file " + out + ": File too large.\n");
  EXPECT_FALSE(std::filesystem::exists(out));
  EXPECT_FALSE(HoldsTemporary(rig.Maps));
}

TEST(KartovelCliGuards, InfoAndExportRefuseATaskFileWhoseZoomOrRangeTheProgramNeverWrites) {
  CliRig rig;
  std::filesystem::create_directories(rig.Maps);
  const struct {
    std::string keys;
    std::string fault;
  } cases[] = {
      {"[Zoom]\r\nZoom=31\r\n[XY]\r\nMinX=0\r\nMinY=0\r\nMaxX=3\r\nMaxY=3\r\n",
       "zoom level 31 is not one of its map type's, 1 to 19"},
      {"[Zoom]\r\nZoom=5\r\n[XY]\r\nMinX=-2147483648\r\nMinY=0\r\nMaxX=2147483647\r\nMaxY=3\r\n",
       "the tile range (columns -2147483648 to 2147483647, rows 0 to 3) lies outside the grid "
       "of zoom level 5"},
  };
  for (const auto& c : cases) {
    const std::string taskFile = rig.MapsFile("odd.qtsk");
    Sandbox::WriteAll(taskFile, "[MapsType]\r\nMapsType=3\r\n" + c.keys);
    const std::string error = "The task file " + taskFile + " is refused: " + c.fault + ".\n";
    const CliRun info = rig.Run({"info", taskFile});
    EXPECT_EQ(info.Status, 3);
    EXPECT_EQ(info.Err, error);
    EXPECT_EQ(info.Out, "");
    const CliRun exported = rig.Run({"export", rig.MapsFile("odd.mbtiles"), taskFile});
    EXPECT_EQ(exported.Status, 3);
    EXPECT_EQ(exported.Err, error);
    EXPECT_FALSE(std::filesystem::exists(rig.MapsFile("odd.mbtiles")));
  }
}

TEST(KartovelCliGuards, AReDownloadStopsWithinASecondAtTheFirstSignalAndAtOnceAtTheSecond) {
  for (const int signal : {SIGINT, SIGTERM}) {
    for (const bool second : {false, true}) {
      // Every tile fails first; then every answer takes 300 ms.
      auto slow = std::make_shared<std::atomic<bool>>(false);
      LoopbackServer::Options options;
      options.DefaultReply = [slow](const testing::Request&) {
        return slow->load() ? testing::DelayedReply(testing::PngReply(),
                                                    std::chrono::milliseconds(300))
                            : testing::StatusReply(500);
      };
      CliRig rig(std::move(options));
      ASSERT_EQ(rig.Run(rig.Download("10", "survey")).Status, 1);
      const std::string ftl = rig.MapsFile("survey_failed.ftl");
      slow->store(true);
      const std::size_t before = rig.Server.RequestCount();
      auto child = rig.Start({"redownload", ftl});
      ASSERT_TRUE(rig.Server.WaitForRequests(before + 2, std::chrono::seconds(30)));
      const auto signalled = std::chrono::steady_clock::now();
      child->Signal(signal);
      if (second) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        child->Signal(signal);
      }
      const CliRun run = rig.Finish(*child, std::chrono::seconds(10));
      const std::chrono::duration<double> took = std::chrono::steady_clock::now() - signalled;
      EXPECT_EQ(run.Status, 130) << signal << " " << second << ": " << run.Err;
      // Without the stop the run goes on for the whole file (tens of seconds); the bound
      // leaves room for a sanitizer build's slower start and exit on a busy machine.
      EXPECT_LT(took.count(), 3.0) << signal << " " << second;
      EXPECT_FALSE(HoldsTemporary(rig.Maps));
      if (!second) {
        EXPECT_TRUE(Contains(run.Out, "Download End.\n" + ftl + ": ")) << run.Out;
      }
    }
  }
}

TEST(KartovelCliGuards, AFailedWriteToStandardOutputEndsTheProgramWithAFailure) {
  CliRig rig;
  ASSERT_EQ(rig.Run(rig.Download("10", "survey")).Status, 0);
  const struct {
    std::vector<std::string> command;
    int status;
  } cases[] = {
      {{"info", rig.MapsFile("survey.qtsk")}, 1},
      {{"export", rig.MapsFile("survey.mbtiles"), rig.MapsFile("survey.qtsk")}, 1},
      {{"download", "--help"}, 1},
      // A failure keeps its own status.
      {{"info", rig.MapsFile("none.qtsk")}, 3},
  };
  for (const auto& c : cases) {
    testing::ChildProcess child(rig.ProgramFolder + "kartovel-cli", c.command, rig.Environment(),
                                "/dev/full", rig.Box.Path("full-err.txt"));
    const std::string err = Sandbox::ReadAll(rig.Box.Path("full-err.txt"));
    EXPECT_EQ(child.Wait(std::chrono::seconds(30)), c.status) << c.command[0] << ": " << err;
    if (c.status == 1) {
      EXPECT_TRUE(Contains(Sandbox::ReadAll(rig.Box.Path("full-err.txt")),
                           "Cannot write to standard output"))
          << c.command[0];
    }
  }
}

}  // namespace
}  // namespace kartovel
