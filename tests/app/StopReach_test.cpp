// A stop reaches every long job of the program while it waits on something slow: a
// download worker in a transfer or in the wait a busy server asked for, the re-download
// in a transfer, the map window's fetch in a transfer, the export and combine between
// tiles. Each job is stopped through its own handle and must end at once: within the
// program time of one stop check and well within the real time its wait would last.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "app/UnitExport.h"
#include "common/Error.h"
#include "download/HttpClient.h"
#include "download/unit3.h"
#include "export/HandMadeTask.h"
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

milliseconds SumOf(const std::vector<milliseconds>& spans) {
  milliseconds sum{0};
  for (const milliseconds span : spans) {
    sum += span;
  }
  return sum;
}

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
  rig.MakeClient = [](const HttpClientOptions&) {
    // A busy server asking for ten minutes, as the client reports it.
    struct Busy final : HttpClient {
      std::optional<HttpFailure> Get(const std::string&, std::string&) override {
        HttpFailure failure("HTTP/1.1 503 Service Unavailable", 503);
        failure.RetryAfter = std::chrono::seconds(600);
        return failure;
      }
    };
    return std::make_unique<Busy>();
  };
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
  const size_t from = stoppedAtSleep.value_or(sleeps.size());
  return watch.Ended(ended && stoppedAtSleep.has_value(),
                     SumOf({sleeps.begin() + static_cast<std::ptrdiff_t>(from), sleeps.end()}));
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
                        [](const TileKey&, std::optional<std::string>) {}, 1);
    fetcher.Want({TileKey{3, 1, 2}});
    if (!server.WaitForRequests(1, milliseconds(5000))) {
      return {};
    }
    watch.Stopped();
  }  // closing the map window ends its fetcher
  return watch.Ended(true);
}

// Stops the export from its progress report once it has begun, as the window's Close
// or the command line's signal does.
StopOutcome ExportBetweenTiles() {
  Sandbox box;
  ScriptedPlatform platform(testing::WriteProgramFolder(box, "BLANK"));
  const testing::HandMadeTask task{.name = "big", .zoom = 6, .maxX = 63, .maxY = 63};
  const std::string taskFile = testing::WriteHandMadeTask(box, task);
  for (int i = 0; i < 8; ++i) {
    Sandbox::WriteAll(testing::TilePathOf(box, task, i, 0), testing::TileImage("t"));
  }
  TfrmExport form(platform);
  form.Show();
  StopWatch watch;
  int asked = 0;
  form.SetStopCheck([&] {
    if (++asked == 2) {
      watch.Stopped();
      form.RequestStop();
    }
    return false;
  });
  const bool abandoned = !form.Export({taskFile}, box.Path("stopped.mbtiles"));
  return watch.Ended(abandoned && asked == 2);
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
      {"export between tiles", ExportBetweenTiles},
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
