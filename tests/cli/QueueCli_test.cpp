// kartovel-cli's queue as scripts use it, against the loopback tile service: jobs added
// with a download's options and checks, listed, run to their end in order; a kill during
// a run loses nothing (the next run continues the task from its files); Ctrl+C stops with
// 130 and leaves the job waiting, with no temporary anywhere.
#include <gtest/gtest.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <thread>

#include "cli/CliRig.h"
#include "queue/QueueRunLock.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::LoopbackServer;
using testing::Sandbox;
using Steady = std::chrono::steady_clock;

// 63 tiles at zoom 10.
const std::vector<std::string> kLargeRectangle = {"10", "12", "50", "48"};

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// A rig whose program keeps its queue in the sandbox.
struct QueueRig : CliRig {
  explicit QueueRig(LoopbackServer::Options server = {}) : CliRig(std::move(server)) {
    MoreEnvironment.push_back("XDG_DATA_HOME=" + Box.Path("data"));
  }
  std::string QueueFile() const { return Box.Path("data/kartovel/queue.ini"); }
  std::vector<std::string> Add(const std::string& zoom, const std::string& name,
                               const std::vector<std::string>& rectangle = {"10", "10.5", "50",
                                                                            "49.6"}) {
    std::vector<std::string> command = Download(zoom, name, rectangle);
    command.insert(command.begin(), "queue");
    command[1] = "add";
    return command;
  }
  size_t TilesIn(const std::string& task) const {
    size_t count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(MapsFile(task))) {
      count += entry.path().extension() == ".png" ? 1 : 0;
    }
    return count;
  }
};

// Temporaries of an interrupted write end in ".tmp" or start with "."; none may be left.
void ExpectNoTemporaries(const std::string& folder) {
  for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
    const std::string name = entry.path().filename().string();
    EXPECT_FALSE(name.starts_with(".") || name.ends_with(".tmp")) << entry.path();
  }
}

TEST(QueueCli, JobsAddedAreListedAndRunInOrderToTheirEnd) {
  QueueRig rig;
  const CliRun empty = rig.Run({"queue", "list"});
  EXPECT_EQ(empty.Status, 0);
  EXPECT_EQ(empty.Out, "The queue is empty.\n");

  ASSERT_EQ(rig.Run(rig.Add("10", "single")).Status, 0);
  const CliRun added = rig.Run(rig.Add("9-10", "survey"));
  ASSERT_EQ(added.Status, 0) << added.Err;
  EXPECT_EQ(added.Out, "Added to the queue: 2. survey, zoom 9-10, map type 3, " + rig.Maps +
                           ": waiting\n");
  EXPECT_EQ(rig.Server.RequestCount(), 0u);  // adding fetches nothing

  const CliRun listed = rig.Run({"queue", "list"});
  EXPECT_EQ(listed.Out, "1. single, zoom 10, map type 3, " + rig.Maps + ": waiting\n" +
                            "2. survey, zoom 9-10, map type 3, " + rig.Maps + ": waiting\n");

  const CliRun run = rig.Run({"queue", "run", "--quiet"});
  ASSERT_EQ(run.Status, 0) << run.Err;
  EXPECT_EQ(run.Out, rig.MapsFile("single.qtsk") + ": 6 of 6 tiles, 0 blank, 0 failed records\n" +
                         rig.MapsFile("survey_9.qtsk") + ": 2 of 2 tiles, 0 blank, 0 failed records\n" +
                         rig.MapsFile("survey_10.qtsk") + ": 6 of 6 tiles, 0 blank, 0 failed records\n");
  EXPECT_EQ(rig.Run({"queue", "list"}).Out,
            "1. single, zoom 10, map type 3, " + rig.Maps + ": done, 6 of 6 tiles at zoom 10\n" +
                "2. survey, zoom 9-10, map type 3, " + rig.Maps + ": done, 6 of 6 tiles at zoom 10\n");
  // Nothing waits any more: a second run fetches nothing.
  const CliRun again = rig.Run({"queue", "run"});
  EXPECT_EQ(again.Status, 0);
  EXPECT_EQ(again.Out, "No job is waiting in the queue.\n");
  EXPECT_EQ(rig.Server.RequestCount(), 14u);
}

TEST(QueueCli, AJobThatADownloadWouldRefuseIsNotAdded) {
  struct Case {
    std::vector<std::string> Change;  // option, value
    int Status;
    std::string Said;
  };
  const std::vector<Case> cases = {
      {{"--source", "999"}, 3, "Map type 999 is not one of the map sources"},
      {{"--zoom", "12-10"}, 2, "--zoom"},
      {{"--left", "west"}, 3, ""},
      {{"--zoom", "19"}, 3, "give --yes to start it"},  // above the question's threshold
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.Change[0] + " " + test.Change[1]);
    QueueRig rig;
    std::vector<std::string> command = rig.Add("10", "bad");
    const auto option = std::find(command.begin(), command.end(), test.Change[0]);
    if (option == command.end()) {
      command.insert(command.end(), test.Change.begin(), test.Change.end());
    } else {
      *(option + 1) = test.Change[1];
    }
    const CliRun run = rig.Run(command);
    EXPECT_EQ(run.Status, test.Status) << run.Err;
    EXPECT_TRUE(Contains(run.Err, test.Said)) << run.Err;
    EXPECT_FALSE(std::filesystem::exists(rig.QueueFile()));
  }
}

TEST(QueueCli, ADamagedQueueFileIsNamedAndKeptAsideWhileTheOtherJobsRun) {
  QueueRig rig;
  ASSERT_EQ(rig.Run(rig.Add("9", "good")).Status, 0);
  std::string text = Sandbox::ReadAll(rig.QueueFile());
  text += "\r\n[Job 7]\r\nName=edited\r\nState=runing\r\n";
  Sandbox::WriteAll(rig.QueueFile(), text);

  const CliRun run = rig.Run({"queue", "run", "--quiet"});
  EXPECT_EQ(run.Status, 0) << run.Err;
  EXPECT_TRUE(Contains(run.Err, rig.QueueFile() + ": the job [Job 7] was left out: it has no Path."))
      << run.Err;
  EXPECT_TRUE(Contains(run.Err, "The file as it was is kept as " + rig.QueueFile() + ".damaged."))
      << run.Err;
  EXPECT_EQ(Sandbox::ReadAll(rig.QueueFile() + ".damaged"), text);
  EXPECT_TRUE(Contains(rig.Run({"queue", "list"}).Out, "1. good, zoom 9, map type 3, " + rig.Maps + ": done"));
}

TEST(QueueCli, OnlyOneProgramRunsTheQueueAtATime) {
  QueueRig rig;
  ASSERT_EQ(rig.Run(rig.Add("9", "once")).Status, 0);
  {
    const QueueRunLock other(rig.QueueFile());  // the window's runner, say
    ASSERT_TRUE(other.Held());
    const CliRun refused = rig.Run({"queue", "run"});
    EXPECT_EQ(refused.Status, 3);
    EXPECT_EQ(refused.Err, "The queue " + rig.QueueFile() +
                               " is being run by another program; it runs one job at a time.\n");
    EXPECT_EQ(rig.Server.RequestCount(), 0u);
  }
  EXPECT_EQ(rig.Run({"queue", "run", "--quiet"}).Status, 0);
  EXPECT_EQ(rig.Server.RequestCount(), 2u);
}

// Serves the first tiles at once and holds the others back until released, so that a run
// can be caught in its middle whatever the speed of the machine.
struct Gate {
  std::mutex Mutex;
  std::condition_variable Opened;
  bool Open = false;
  size_t Served = 0;
  size_t FreeTiles = 0;
  void Release() {
    std::lock_guard lock(Mutex);
    Open = true;
    Opened.notify_all();
  }
};

LoopbackServer::Options Gated(Gate& gate) {
  LoopbackServer::Options options;
  options.DefaultReply = [&gate](const testing::Request&) {
    std::unique_lock lock(gate.Mutex);
    if (++gate.Served > gate.FreeTiles) {
      gate.Opened.wait_for(lock, std::chrono::seconds(20), [&gate] { return gate.Open; });
    }
    return testing::PngReply();
  };
  return options;
}

TEST(QueueCli, AKilledRunIsContinuedFromItsTaskFilesWithNoTileLost) {
  Gate gate;
  gate.FreeTiles = 40;
  QueueRig rig(Gated(gate));
  ASSERT_EQ(rig.Run(rig.Add("10", "large", kLargeRectangle)).Status, 0);
  auto child = rig.Start({"queue", "run", "--quiet"});
  ASSERT_TRUE(rig.Server.WaitForRequests(40, std::chrono::seconds(30)));
  // The fifth tick saves the workers' positions and the job's progress together.
  const auto limit = Steady::now() + std::chrono::seconds(20);
  while (!Contains(Sandbox::ReadAll(rig.QueueFile()), "Settled=4") && Steady::now() < limit) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  child->Signal(SIGKILL);
  rig.Finish(*child, std::chrono::seconds(10));
  EXPECT_TRUE(Contains(rig.Run({"queue", "list"}).Out, ": running, 4"));
  gate.Release();

  const size_t before = rig.Server.RequestCount();
  const CliRun resumed = rig.Run({"queue", "run", "--quiet"});
  ASSERT_EQ(resumed.Status, 0) << resumed.Err;
  EXPECT_EQ(resumed.Out, rig.MapsFile("large.qtsk") + ": 63 of 63 tiles, 0 blank, 0 failed records\n");
  EXPECT_EQ(rig.TilesIn("large"), 63u);
  EXPECT_EQ(Sandbox::ReadAll(rig.MapsFile("large_failed.ftl")), "");
  EXPECT_TRUE(Contains(Sandbox::ReadAll(rig.MapsFile("large_log.txt")), "Log continue..."));
  // Continued, not started afresh: the tiles settled before the kill were not fetched again.
  EXPECT_LT(rig.Server.RequestCount() - before, 63u - 30u);
  EXPECT_TRUE(Contains(rig.Run({"queue", "list"}).Out, ": done, 63 of 63 tiles"));
}

TEST(QueueCli, AnInterruptStopsTheQueueAt130AndTheJobWaitsToContinue) {
  for (const int signal : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(signal);
    QueueRig rig;
    ASSERT_EQ(rig.Run(rig.Add("10", "large", kLargeRectangle)).Status, 0);
    ASSERT_EQ(rig.Run(rig.Add("9", "next")).Status, 0);
    auto child = rig.Start({"queue", "run", "--quiet"});
    ASSERT_TRUE(rig.Server.WaitForRequests(16, std::chrono::seconds(30)));
    const auto signalled = Steady::now();
    child->Signal(signal);
    const CliRun stopped = rig.Finish(*child, std::chrono::seconds(10));
    EXPECT_LT(Steady::now() - signalled, std::chrono::seconds(3));
    EXPECT_EQ(stopped.Status, 130) << stopped.Err;
    EXPECT_TRUE(Contains(stopped.Out, "stopped")) << stopped.Out;
    const std::string listed = rig.Run({"queue", "list"}).Out;
    EXPECT_TRUE(Contains(listed, "1. large, zoom 10, map type 3, " + rig.Maps + ": waiting"))
        << listed;
    EXPECT_TRUE(Contains(listed, "2. next, zoom 9, map type 3, " + rig.Maps + ": waiting"))
        << listed;
    EXPECT_FALSE(std::filesystem::exists(rig.MapsFile("next.qtsk")));
    ExpectNoTemporaries(rig.Box.Folder());
  }
}

}  // namespace
}  // namespace kartovel
