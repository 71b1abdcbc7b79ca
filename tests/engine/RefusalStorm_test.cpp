// A run against a tile service that starts refusing: the storm pauses every worker within a
// few requests, leaves the refused tiles unsettled and keeps each worker's place, so that
// the continued run fetches every tile the first one did not, and none twice.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "common/Clock.h"
#include "common/LineFile.h"
#include "download/HttpClient.h"
#include "engine/Run.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"

namespace kartovel {
namespace {

using testing::LoopbackServer;
using testing::Reply;
using testing::Request;
using testing::Sandbox;
using testing::ScriptedPlatform;

class EndingSink final : public RunSink {
 public:
  void Refused(const RequestFault& fault) override { Refusal = fault.Text; }
  void ServerRefused(const std::string& what, const std::string& advice) override {
    Told = what + "\n" + advice;
  }
  void RunEnded(const RunSummary& summary) override { Ended = summary; }
  bool Confirm(const std::string& question) override {
    Refusal = question;
    return false;
  }
  std::string Refusal;
  std::string Told;
  std::optional<RunSummary> Ended;
};

// Answers the first Good requests with a tile, then refuses with Refusal until Recover();
// counts the tiles answered per path and the refusals. A refusal comes a little late, so
// that the last good answer has reached its worker before the first refusal does (the
// row of refusals is counted in the order the workers hear the answers).
class RefusingService {
 public:
  explicit RefusingService(int good, Reply refusal)
      : good_(good),
        refusal_(testing::DelayedReply(std::move(refusal), std::chrono::milliseconds(100))) {}
  Reply Answer(const Request& request) {
    const std::lock_guard lock(mutex_);
    if (!recovered_ && answered_ >= good_) {
      ++refused_;
      return refusal_;
    }
    ++answered_;
    ++tiles_[request.Target()];
    return testing::PngReply();
  }
  void Recover() {
    const std::lock_guard lock(mutex_);
    recovered_ = true;
  }
  int Refused() const {
    const std::lock_guard lock(mutex_);
    return refused_;
  }
  std::map<std::string, int> Tiles() const {
    const std::lock_guard lock(mutex_);
    return tiles_;
  }

 private:
  mutable std::mutex mutex_;
  const int good_;
  const Reply refusal_;
  bool recovered_ = false;
  int answered_ = 0;
  int refused_ = 0;
  std::map<std::string, int> tiles_;
};

Reply WithHeader(Reply reply, const std::string& header) {
  const auto end = reply.Bytes.find("\r\n");
  reply.Bytes.insert(end + 2, header + "\r\n");
  return reply;
}

struct StormCase {
  const char* Name;
  Reply Refusal;
  const char* StatusText;
  // A refused worker's tile ends it after its attempts: a row of 20 needs seven of them.
  int32_t Workers = 6;
};

class RefusalStormTest : public ::testing::TestWithParam<StormCase> {
 protected:
  RefusalStormTest() : platform_(box_.Path("program/")) {
    std::filesystem::create_directories(box_.Path("program/ini"));
    std::filesystem::create_directories(box_.Path("program/blankimg"));
    Sandbox::WriteAll(box_.Path("program/blankimg/blank.png"), "BLANK");
    Sandbox::WriteAll(box_.Path("program/ini/config.ini"), "[Proxy]\r\nUseProxy=0\r\n");
  }

  RunRequest Request() const {
    RunRequest request;
    request.LeftLongitude = "13.5";
    request.RightLongitude = "14.5";
    request.TopLatitude = "52.75";
    request.BottomLatitude = "52";
    request.Zoom = "11";  // some seventy tiles: no worker's share is done before the refusals
    request.SavePath = box_.Path("maps");
    request.TaskName = "storm.qtsk";
    request.ConfigFilePath = box_.Path("program/ini/config.ini");
    MapSource source;
    source.MapsType = 100;
    source.Name = "Loopback";
    source.Url = server_.Url("/{z}/{x}/{y}.png");
    source.Prefix = "lb";
    source.Extension = "png";
    source.Workers = GetParam().Workers;
    source.PauseMs = 100;
    request.Source = source;
    return request;
  }

  // Runs one request to its end; false past the bound.
  bool RunToEnd(kartovel::Run& run) {
    if (!run.Start(Request())) {
      return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (run.Active()) {
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      platform_.PumpFor(std::chrono::milliseconds(5));
      run.Tick();
    }
    return true;
  }

  static constexpr int kGood = 9;
  Sandbox box_;
  RefusingService service_{kGood, GetParam().Refusal};
  LoopbackServer server_{
      LoopbackServer::Options{[this](const testing::Request& r) { return service_.Answer(r); }, {}}};
  ScriptedPlatform platform_;
  ScaledClock clock_{0};
  EndingSink sink_;
};

TEST_P(RefusalStormTest, PausesLeavesRefusedTilesUnsettledAndTheContinuedRunFetchesEachOnce) {
  kartovel::Run run(platform_, clock_, CreateCurlHttpClient, CreateRunningWorker, sink_);
  ASSERT_TRUE(RunToEnd(run)) << sink_.Refusal;
  ASSERT_TRUE(sink_.Ended);
  const RunSummary first = *sink_.Ended;
  const int32_t total = first.Progress.TotalCount;
  ASSERT_GT(total, 2 * kGood);
  // Paused within a few requests of the row, not at the end of the range.
  EXPECT_GE(service_.Refused(), 15);
  EXPECT_LE(service_.Refused(), 25);
  EXPECT_EQ(first.Progress.SettledCount, kGood);
  EXPECT_EQ(first.Progress.BlankCount, 0);
  EXPECT_EQ(first.FailedRecords, 0u);
  EXPECT_TRUE(ReadLines(box_.Path("maps/storm_failed.ftl")).empty());
  EXPECT_NE(first.RefusedByServer.find(GetParam().StatusText), std::string::npos)
      << first.RefusedByServer;
  EXPECT_NE(first.RefusedByServer.find(std::to_string(GetParam().Workers) +
                                       " workers and a pause of 100 ms"),
            std::string::npos);
  EXPECT_NE(first.RefusedByServer.find("ini/sources.ini"), std::string::npos);
  EXPECT_FALSE(sink_.Told.empty());
  const Lines log = ReadLines(box_.Path("maps/storm_log.txt"));
  EXPECT_EQ(std::count(log.begin(), log.end(), sink_.Told.substr(0, sink_.Told.find('\n'))), 1);
  // Tiles that were only refused have no file: nothing stands in for them.
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(box_.Path("maps/storm"))) {
    files += entry.is_regular_file() ? 1 : 0;
  }
  EXPECT_EQ(files, kGood);

  service_.Recover();
  sink_ = EndingSink{};
  ASSERT_TRUE(RunToEnd(run)) << sink_.Refusal;
  ASSERT_TRUE(sink_.Ended);
  EXPECT_TRUE(sink_.Ended->RefusedByServer.empty());
  EXPECT_EQ(sink_.Ended->Progress.SettledCount, total);
  EXPECT_EQ(sink_.Ended->FailedRecords, 0u);
  const std::map<std::string, int> tiles = service_.Tiles();
  EXPECT_EQ(static_cast<int32_t>(tiles.size()), total);
  for (const auto& [path, answered] : tiles) {
    EXPECT_EQ(answered, 1) << path;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefusalStormTest,
    ::testing::Values(StormCase{"TooManyRequests", testing::StatusReply(429), "429 Too Many Requests"},
                      StormCase{"Forbidden", testing::StatusReply(403), "403 Forbidden", 8},
                      StormCase{"BusyWithRetryAfter",
                                WithHeader(testing::StatusReply(503), "Retry-After: 1"),
                                "503 Service Unavailable"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace kartovel
