// A job of several runs through a recording sink: each run starts after the previous one
// ended, and the job ends at a refused request or a stop asked between two runs.
#include "engine/Job.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "common/LineFile.h"
#include "download/HttpClient.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"
#include "support/ScriptedPlatform.h"

namespace kartovel {
namespace {

using testing::LoopbackServer;
using testing::Sandbox;
using testing::ScriptedPlatform;

// The sink's events as lines, in the order they came.
class RecordingSink final : public RunSink {
 public:
  void Refused(const RequestFault& fault) override { Events.push_back("refused " + fault.Text); }
  void RunStarted(const DownloadTask& task) override {
    Events.push_back("started " + task.Params.TaskFileName);
  }
  void RunEnded(const RunSummary& summary) override {
    Events.push_back("ended " + std::filesystem::path(summary.TaskFilePath).filename().string() +
                     " " + std::to_string(summary.Progress.SettledCount) + "/" +
                     std::to_string(summary.Progress.TotalCount) +
                     (summary.Stopped ? " stopped" : ""));
    if (OnEnd) {
      OnEnd();
    }
  }
  std::vector<std::string> Events;
  std::function<void()> OnEnd;  // after a run's end is recorded
};

class JobTest : public ::testing::Test {
 protected:
  JobTest() : platform_(box_.Path("program/")) {
    std::filesystem::create_directories(box_.Path("program/ini"));
    std::filesystem::create_directories(box_.Path("program/blankimg"));
    Sandbox::WriteAll(box_.Path("program/blankimg/blank.png"), "BLANK");
    Sandbox::WriteAll(box_.Path("program/ini/config.ini"), "[Proxy]\r\nUseProxy=0\r\n");
  }

  RunRequest Request(int zoom, const std::string& left = "13.35") const {
    RunRequest request;
    request.LeftLongitude = left;
    request.RightLongitude = "13.45";
    request.TopLatitude = "52.55";
    request.BottomLatitude = "52.48";
    request.Zoom = std::to_string(zoom);
    request.SavePath = box_.Path("maps");
    request.TaskName = "area_" + std::to_string(zoom) + ".qtsk";
    request.TileHost = server_.HostPort();
    request.ConfigFilePath = box_.Path("program/ini/config.ini");
    return request;
  }

  // Serves hand-offs and ticks the job until it is no longer active; false past the bound.
  bool Serve(Job& job) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (job.Active()) {
      if (std::chrono::steady_clock::now() >= deadline) {
        return false;
      }
      platform_.PumpFor(std::chrono::milliseconds(5));
      job.Tick();
    }
    return true;
  }

  Job MakeJob(std::vector<RunRequest> requests, std::stop_token stop = {}) {
    return Job(platform_, clock_, CreateCurlHttpClient, CreateRunningWorker, std::move(requests),
               sink_, std::move(stop));
  }

  Sandbox box_;
  LoopbackServer server_;
  ScriptedPlatform platform_;
  ScaledClock clock_{0};
  RecordingSink sink_;
};

TEST_F(JobTest, RunsOneAfterAnotherToTheirEndsAndStopsAtARefusedRequest) {
  Job job = MakeJob({Request(9), Request(10), Request(11, "13,3x"), Request(12)});
  job.Start();
  ASSERT_TRUE(Serve(job));
  EXPECT_EQ(sink_.Events,
            (std::vector<std::string>{"started area_9.qtsk", "ended area_9.qtsk 4/4",
                                      "started area_10.qtsk", "ended area_10.qtsk 4/4",
                                      "refused Longitude or latitude input error!"}));
  EXPECT_TRUE(job.RunRefused());
  EXPECT_FALSE(job.Stopped());
  EXPECT_EQ(job.CurrentIndex(), 2u);
  // Each run closed its own log, read back from its file.
  for (const char* log : {"maps/area_9_log.txt", "maps/area_10_log.txt"}) {
    const Lines lines = ReadLines(box_.Path(log));
    ASSERT_GE(lines.size(), 5u) << log;
    EXPECT_EQ(lines[lines.size() - 5], "Task Stoped!") << log;
  }
  EXPECT_FALSE(std::filesystem::exists(box_.Path("maps/area_12.qtsk")));
}

TEST_F(JobTest, AStopAskedBetweenTwoRunsStartsNoOther) {
  std::stop_source stop;
  sink_.OnEnd = [&stop] { stop.request_stop(); };
  Job job = MakeJob({Request(9), Request(10)}, stop.get_token());
  job.Start();
  ASSERT_TRUE(Serve(job));
  EXPECT_EQ(sink_.Events,
            (std::vector<std::string>{"started area_9.qtsk", "ended area_9.qtsk 4/4"}));
  EXPECT_TRUE(job.Stopped());
  EXPECT_FALSE(job.RunRefused());
  EXPECT_FALSE(std::filesystem::exists(box_.Path("maps/area_10.qtsk")));
}

}  // namespace
}  // namespace kartovel
