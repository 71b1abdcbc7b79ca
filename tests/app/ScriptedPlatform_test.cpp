// The scripted Platform's hand-off behaves like the real one: operations from workers run
// on the user-interface thread while the worker waits.
#include "support/ScriptedPlatform.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

namespace kartovel {
namespace {

using namespace std::chrono_literals;
using testing::ScriptedPlatform;

TEST(ScriptedPlatformTest, RunsWorkerOperationsOnThePumpingThreadWhileTheWorkersWait) {
  ScriptedPlatform platform;
  const auto uiThread = std::this_thread::get_id();
  int ranOnUiThread = 0;  // touched only by the operations, so only by this thread
  std::atomic<int> workersDone{0};
  std::vector<std::jthread> workers;
  for (int worker = 0; worker < 4; ++worker) {
    workers.emplace_back([&] {
      for (int report = 0; report < 50; ++report) {
        platform.RunBlocking([&] { ranOnUiThread += std::this_thread::get_id() == uiThread; });
      }
      ++workersDone;
    });
  }
  EXPECT_TRUE(platform.PumpUntil([&] { return workersDone == 4; }, 10s));
  EXPECT_EQ(ranOnUiThread, 200);
  platform.DropHandOffs();  // so that a failure above cannot hang the joins
}

TEST(ScriptedPlatformTest, AnOperationWaitsForThePumpAndACallFromThePumpRunsInline) {
  ScriptedPlatform platform;
  std::atomic<bool> ran{false};
  std::jthread worker([&] { platform.RunBlocking([&] { ran = true; }); });
  platform.PumpFor(20ms);
  EXPECT_TRUE(ran);
  platform.DropHandOffs();

  bool inline_ran = false;
  platform.RunBlocking([&] { inline_ran = true; });
  EXPECT_TRUE(inline_ran);
}

TEST(ScriptedPlatformTest, OnePassOfEventsRunsTheQueuedHandOffs) {
  ScriptedPlatform platform;
  bool ran = false;
  std::jthread worker([&] { platform.RunBlocking([&] { ran = true; }); });
  const auto deadline = std::chrono::steady_clock::now() + 5s;
  while (platform.PendingHandOffs() == 0 && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_FALSE(ran);
  platform.ProcessPendingEvents();
  EXPECT_TRUE(ran);
  EXPECT_EQ(platform.ProcessEventsCount(), 1);
  platform.DropHandOffs();  // so that a failure above cannot hang the join
}

TEST(ScriptedPlatformTest, AnErrorInAnOperationReachesTheWaitingWorker) {
  ScriptedPlatform platform;
  std::atomic<bool> caught{false};
  std::jthread worker([&] {
    try {
      platform.RunBlocking([] { throw std::runtime_error("lost"); });
    } catch (const std::runtime_error&) {
      caught = true;
    }
  });
  EXPECT_TRUE(platform.PumpUntil([&] { return caught.load(); }, 5s));
  platform.DropHandOffs();
}

TEST(ScriptedPlatformTest, DroppingHandOffsReleasesWaitingWorkersWithoutRunningThem) {
  ScriptedPlatform platform;
  std::atomic<int> returned{0};
  bool ran = false;
  std::vector<std::jthread> workers;
  for (int worker = 0; worker < 3; ++worker) {
    workers.emplace_back([&] {
      platform.RunBlocking([&] { ran = true; });
      ++returned;
    });
  }
  std::this_thread::sleep_for(20ms);
  platform.DropHandOffs();
  workers.clear();
  EXPECT_EQ(returned, 3);
  EXPECT_FALSE(ran);
}

}  // namespace
}  // namespace kartovel
