// A stop reaches every long job of the program while it waits on something slow: a
// download worker in a transfer or in the wait a busy server asked for, the re-download
// in a transfer, the map window's fetch in a transfer, combine between tiles (the
// export's stop between tiles has its own test). Each job is stopped through its own handle and must end at once: within the
// program time of one stop check and well within the real time its wait would last.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <numeric>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "download/HttpClient.h"
#include "download/unit3.h"
#include "map/TileFetcher.h"
#include "mosaic/MosaicCombiner.h"
#include "redownload/UnitFTL.h"
#include "support/FakeClock.h"
#include "support/FakeTask.h"
#include "support/LoopbackReplies.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"
#include "support/WorkerRig.h"

namespace kartovel {
namespace {

using std::chrono::milliseconds;
using Steady = std::chrono::steady_clock;
using testing::LoopbackServer;
using testing::Sandbox;
using testing::ScriptedPlatform;

// What each job would wait without the stop: a stalled answer, or ten minutes asked for.
constexpr milliseconds kStall{30000};
// Promptly: far below the stall on a busy machine, and no more program time than one
// step of a long wait.
constexpr auto kPromptly = std::chrono::seconds(3);
constexpr milliseconds kOneStopCheck{1000};

struct StopOutcome {
  bool Ended = false;
  Steady::duration FromStop{};
  milliseconds ProgramTimeAfterStop{0};
};

// Measures from the stop to the job's end.
class StopWatch {
 public:
  void Stopped() { at_ = Steady::now(); }
  StopOutcome Ended(bool ended, milliseconds programTime = milliseconds(0)) const {
    return {ended, Steady::now() - at_, programTime};
  }

 private:
  Steady::time_point at_ = Steady::now();
};

StopOutcome WorkerInATransfer() {
  LoopbackServer server;
  server.Enqueue(testing::StallReply(kStall));
  testing::WorkerRig rig({}, 1, server.HostPort());
  rig.MakeClient = CreateCurlHttpClient;
  rig.CreateWorkers();
  rig.StartAll();
  if (!server.WaitForRequests(1, milliseconds(5000))) {
    return {};
  }
  StopWatch watch;
  rig.Workers[0]->RequestStop();
  return watch.Ended(rig.WaitForEnds());
}

StopOutcome WorkerInAServersWait() {
  testing::WorkerRig rig({}, 1);
  rig.Http.SetDefaultReply(
      testing::ScriptedReply::Status("HTTP/1.1 503 Busy", 503, std::chrono::seconds(600)));
  StopWatch watch;
  std::optional<size_t> stoppedAtSleep;
  rig.CreateWorkers();
  rig.Time.SetHook([&](milliseconds span) {
    if (span == kOneStopCheck && !stoppedAtSleep) {
      stoppedAtSleep = rig.Time.Sleeps().size();
      watch.Stopped();
      rig.Workers[0]->RequestStop();
    }
  });
  rig.StartAll();
  const bool ended = rig.WaitForEnds();
  const std::vector<milliseconds> sleeps = rig.Time.Sleeps();
  const auto from = static_cast<std::ptrdiff_t>(stoppedAtSleep.value_or(sleeps.size()));
  return watch.Ended(ended && stoppedAtSleep.has_value(),
                     std::accumulate(sleeps.begin() + from, sleeps.end(), milliseconds(0)));
}

StopOutcome RedownloadInATransfer() {
  Sandbox box;
  LoopbackServer server;
  server.Enqueue(testing::StallReply(kStall));
  ScriptedPlatform platform(box.Folder());
  TfrmFlt dialog(platform);
  const std::string ftl = box.Path("area_failed.ftl");
  Sandbox::WriteAll(ftl, box.Path("area/qn_1_0_13.png") + "|" + server.Url("/a.png") + "\r\n");
  platform.QueueOpenFileAnswer(ftl);
  dialog.Show();
  dialog.Button1Click();
  if (!platform.PumpUntil([&] { return server.RequestCount() == 1; }, std::chrono::seconds(5))) {
    return {};
  }
  StopWatch watch;
  dialog.Close();
  return watch.Ended(
      platform.PumpUntil([&] { return !dialog.Running(); }, std::chrono::seconds(10)));
}

StopOutcome MapFetchInATransfer() {
  LoopbackServer server;
  server.Enqueue(testing::StallReply(kStall));
  TileSource source;
  source.Name = "Loopback";
  source.TileUrl = [&server](int32_t, int32_t, int32_t) { return server.Url("/t.png"); };
  source.Request = WorkerRequestProfile();
  StopWatch watch;
  {
    TileFetcher fetcher(source, nullptr, CreateCurlHttpClient,
                        [](const TileId&, std::optional<std::string>) {}, 1);
    fetcher.Want({TileId{3, 1, 2}});
    if (!server.WaitForRequests(1, milliseconds(5000))) {
      return {};
    }
    watch.Stopped();
  }  // closing the map window ends its fetcher
  return watch.Ended(true);
}

StopOutcome CombineBetweenTiles() {
  Sandbox box;
  const testing::FakeTask task = testing::WriteFakeTask(box, testing::FakeTaskPlan{});
  std::stop_source stop;
  StopWatch watch;
  tools::CombineHooks hooks;
  hooks.stop = stop.get_token();
  hooks.progress = [&](int64_t done, int64_t) {
    if (done == 1) {
      watch.Stopped();
      stop.request_stop();
    }
  };
  const tools::CombineResult result = tools::CombineTask(task.taskFile, box.Path("out.png"), hooks);
  return watch.Ended(result.mosaic.cancelled);
}

struct StopCase {
  const char* Name;
  std::function<StopOutcome()> Run;
};

TEST(StopReach, EveryLongJobEndsPromptlyOnItsStop) {
  const std::vector<StopCase> cases = {
      {"download worker in a transfer", WorkerInATransfer},
      {"download worker in a busy server's wait", WorkerInAServersWait},
      {"re-download in a transfer", RedownloadInATransfer},
      {"map fetch in a transfer", MapFetchInATransfer},
      {"combine between tiles", CombineBetweenTiles},
  };
  for (const StopCase& c : cases) {
    const StopOutcome outcome = c.Run();
    EXPECT_TRUE(outcome.Ended) << c.Name;
    EXPECT_LT(outcome.FromStop, kPromptly) << c.Name;
    EXPECT_LE(outcome.ProgramTimeAfterStop, kOneStopCheck) << c.Name;
  }
}

}  // namespace
}  // namespace kartovel
