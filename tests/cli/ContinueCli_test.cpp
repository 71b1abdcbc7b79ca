// A task continued from its file alone: `continue TASK.qtsk` and the same download command
// again, after the task's map source left ini/sources.ini; a missing or foreign file.
#include <gtest/gtest.h>
#include <signal.h>

#include <filesystem>

#include "cli/CliRig.h"
#include "export/TaskTiles.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::Sandbox;

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A stopped run of a source, whose section is then taken out of the sources file.
struct StoppedSourceTask {
  explicit StoppedSourceTask(CliRig& rig) {
    Sandbox::WriteAll(rig.ProgramFolder + "ini/sources.ini",
                      "[MapType 120]\r\nName=Local XYZ\r\nUrl=http://" + rig.Server.HostPort() +
                          "/{z}/{x}/{y}.png\r\nPrefix=xyz\r\nWorkers=2\r\nPauseMs=100\r\n");
    command = rig.Download("10", "local", {"10", "12", "50", "48"});
    command.insert(command.end(), {"--source", "120", "--quiet"});
    auto child = rig.Start(command);
    EXPECT_TRUE(rig.Server.WaitForRequests(6, std::chrono::seconds(30)));
    child->Signal(SIGINT);
    const CliRun stopped = rig.Finish(*child);
    EXPECT_EQ(stopped.Status, 130) << stopped.Err;
    Sandbox::WriteAll(rig.ProgramFolder + "ini/sources.ini", "");
    total = ReadTaskTiles(rig.MapsFile("local.qtsk")).TotalCount();
  }
  std::vector<std::string> command;
  int64_t total = 0;
};

TEST(ContinueCli, ATaskContinuesFromItsFileWithTheSourceItStored) {
  CliRig rig;
  const StoppedSourceTask task(rig);
  const size_t before = rig.Server.RequestCount();
  ASSERT_LT(before, static_cast<size_t>(task.total));
  const CliRun continued = rig.Run({"continue", rig.MapsFile("local.qtsk"), "--quiet"});
  ASSERT_EQ(continued.Status, 0) << continued.Err;
  EXPECT_TRUE(Contains(continued.Out, rig.MapsFile("local.qtsk") + ": " +
                                          std::to_string(task.total) + " of " +
                                          std::to_string(task.total) + " tiles"))
      << continued.Out;
  EXPECT_TRUE(Contains(Sandbox::ReadAll(rig.MapsFile("local_log.txt")), "Log continue..."));
  // Only the tiles the stop left (and at most one cut short per worker) were fetched.
  EXPECT_LE(rig.Server.RequestCount(), static_cast<size_t>(task.total) + 2);
  const TaskTiles tiles = ReadTaskTiles(rig.MapsFile("local.qtsk"));
  int64_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(tiles.TileFolder)) {
    files += entry.path().filename().string().rfind("xyz_", 0) == 0 ? 1 : 0;
  }
  EXPECT_EQ(files, task.total);
}

TEST(ContinueCli, TheSameDownloadCommandContinuesWhenItsSourceIsNoLongerListed) {
  CliRig rig;
  const StoppedSourceTask task(rig);
  const CliRun again = rig.Run(task.command);
  ASSERT_EQ(again.Status, 0) << again.Err;
  EXPECT_TRUE(Contains(Sandbox::ReadAll(rig.MapsFile("local_log.txt")), "Log continue..."));
  // Another task name has no stored source to fall back on.
  std::vector<std::string> other = rig.Download("10", "fresh");
  other.insert(other.end(), {"--source", "120"});
  const CliRun refused = rig.Run(other);
  EXPECT_EQ(refused.Status, 3);
  EXPECT_TRUE(Contains(refused.Err, "Map type 120 is not one of the map sources")) << refused.Err;
}

TEST(ContinueCli, AMissingOrForeignFileIsNamedAndNothingIsWritten) {
  CliRig rig;
  const std::string foreign = rig.Box.Path("notes.qtsk");
  Sandbox::WriteAll(foreign, "shopping list\n");
  for (const std::string& file : {rig.Box.Path("none.qtsk"), foreign}) {
    SCOPED_TRACE(file);
    const CliRun run = rig.Run({"continue", file});
    EXPECT_EQ(run.Status, 3);
    EXPECT_TRUE(Contains(run.Err, file)) << run.Err;
  }
  EXPECT_EQ(Sandbox::ReadAll(foreign), "shopping list\n");
  EXPECT_EQ(rig.Server.RequestCount(), 0u);
}

}  // namespace
}  // namespace kartovel
