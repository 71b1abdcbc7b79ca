// The download worker as a whole: the sharing out of a range between workers, resuming,
// stopping, the proxy settings, and the ending steps that every way out passes through.
#include "download/unit3.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "support/Base64.h"
#include "support/LoopbackServer.h"
#include "support/WorkerRig.h"

namespace kartovel {
namespace {

using testing::ScriptedReply;
using testing::TileRange;
using testing::WorkerRig;

struct Fetched {
  int Worker;  // the number in the line, Index + 1
  std::string FileName;
  bool operator==(const Fetched&) const = default;
};

// serial -> who fetched which tile, read from the "OK" lines of the log.
std::map<int, Fetched> FetchedBySerial(const testing::RecordingOwner& owner) {
  static const std::regex okLine(R"(T(\d+):seq=(\d+),(\S+) OK)");
  std::map<int, Fetched> bySerial;
  for (const std::string& line : owner.LogLines()) {
    std::smatch match;
    if (std::regex_match(line, match, okLine)) {
      bySerial[std::stoi(match[2])] = {std::stoi(match[1]), match[3]};
    }
  }
  return bySerial;
}

// Every worker ended exactly once, with "Finished." as its last line.
void ExpectEveryWorkerEndedOnce(const WorkerRig& rig) {
  for (int32_t index = 0; index < rig.Params.ThreadCount; ++index) {
    EXPECT_EQ(rig.Owner.EndCount(index), 1) << "worker " << index;
    const auto lines = rig.Owner.LogLinesOf(index);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "T" + std::to_string(index + 1) + " Finished.");
  }
  const auto events = rig.Owner.Events();
  for (size_t i = 0; i < events.size(); ++i) {
    if (events[i].Kind == testing::HandOffKind::ReportEnd) {
      // The end notice follows the same worker's "Finished." line.
      bool finishedBefore = false;
      for (size_t j = i; j-- > 0;) {
        if (events[j].Index == events[i].Index) {
          finishedBefore = events[j].Report == ReportKind::Finished;
          break;
        }
      }
      EXPECT_TRUE(finishedBefore) << "worker " << events[i].Index;
    }
  }
}

std::string Name(int x, int y) {
  return "qn_" + std::to_string(x) + "_" + std::to_string(y) + "_5.png";
}

TEST(Worker, ThreeByTwoTilesWithFourWorkersGoBySerialModuloFour) {
  WorkerRig rig(TileRange{10, 12, 20, 21}, 4);
  ASSERT_TRUE(rig.RunToEnd());

  const std::map<int, Fetched> expected = {{1, {2, Name(10, 20)}}, {2, {3, Name(10, 21)}},
                                           {3, {4, Name(11, 20)}}, {4, {1, Name(11, 21)}},
                                           {5, {2, Name(12, 20)}}, {6, {3, Name(12, 21)}}};
  EXPECT_EQ(FetchedBySerial(rig.Owner), expected);
  ExpectEveryWorkerEndedOnce(rig);
  EXPECT_EQ(rig.Workers[0]->LastPosition(), std::make_pair(11, 21));
  EXPECT_EQ(rig.Workers[1]->LastPosition(), std::make_pair(12, 20));
  EXPECT_EQ(rig.Workers[3]->LastPosition(), std::make_pair(11, 20));
  for (int x = 10; x <= 12; ++x) {
    for (int y = 20; y <= 21; ++y) {
      EXPECT_EQ(rig.ReadTile(x, y), testing::SmallPng());
    }
  }
}

TEST(Worker, TwentyTilesWithEightWorkers) {
  WorkerRig rig(TileRange{0, 3, 0, 4}, 8);
  ASSERT_TRUE(rig.RunToEnd());

  const auto bySerial = FetchedBySerial(rig.Owner);
  ASSERT_EQ(bySerial.size(), 20u);
  std::map<int, std::vector<int>> serialsOfWorker;
  for (const auto& [serial, fetched] : bySerial) {
    EXPECT_EQ(fetched.Worker, serial % 8 + 1) << serial;
    serialsOfWorker[fetched.Worker].push_back(serial);
  }
  EXPECT_EQ(serialsOfWorker[2], (std::vector<int>{1, 9, 17}));
  EXPECT_EQ(serialsOfWorker[5], (std::vector<int>{4, 12, 20}));
  EXPECT_EQ(serialsOfWorker[1], (std::vector<int>{8, 16}));
  EXPECT_EQ(serialsOfWorker[8], (std::vector<int>{7, 15}));
  EXPECT_EQ(rig.Http.Urls().size(), 20u);
  ExpectEveryWorkerEndedOnce(rig);
}

TEST(Worker, FiveTilesGiveFiveWorkersOneTileEach) {
  WorkerRig rig(TileRange{0, 0, 0, 4}, 8);
  ASSERT_EQ(rig.Params.ThreadCount, 5);
  ASSERT_TRUE(rig.RunToEnd());

  const auto bySerial = FetchedBySerial(rig.Owner);
  const std::map<int, Fetched> expected = {{1, {2, Name(0, 0)}},
                                           {2, {3, Name(0, 1)}},
                                           {3, {4, Name(0, 2)}},
                                           {4, {5, Name(0, 3)}},
                                           {5, {1, Name(0, 4)}}};
  EXPECT_EQ(bySerial, expected);
  ExpectEveryWorkerEndedOnce(rig);
}

TEST(Worker, OneTileRunsOneWorker) {
  WorkerRig rig;
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Owner.LogLines(),
            (std::vector<std::string>{"T1:seq=1,qn_10_20_5.png OK", "T1 Finished."}));
  EXPECT_EQ(rig.Owner.EndCount(0), 1);
}

TEST(Worker, StartsAfterIndexTimesAHundredMilliseconds) {
  WorkerRig rig(TileRange{0, 0, 0, 3}, 4);
  rig.Http.SetDefaultReply(ScriptedReply::Fail(""));
  ASSERT_TRUE(rig.RunToEnd());
  // A blank substitution pauses not at all, so each worker's pauses are its start delay
  // and the two 1000 ms before the repeats of its one tile.
  std::multiset<int> sleeps;
  for (auto span : rig.Time.Sleeps()) {
    sleeps.insert(static_cast<int>(span.count()));
  }
  EXPECT_EQ(sleeps,
            (std::multiset<int>{0, 100, 200, 300, 1000, 1000, 1000, 1000, 1000, 1000, 1000, 1000}));
}

TEST(Worker, ResumeSkipsThePositionsUpToTheSavedOne) {
  WorkerRig rig(TileRange{10, 12, 20, 21}, 4);
  // Worker 1 had settled serial 1 (10, 20); it fetches serial 5 only.
  rig.Task->ResumeX[1] = 10;
  rig.Task->ResumeY[1] = 20;
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Owner.LogLinesOf(1),
            (std::vector<std::string>{"T2:seq=5," + Name(12, 20) + " OK", "T2 Finished."}));
  // The other workers keep their whole shares.
  EXPECT_EQ(FetchedBySerial(rig.Owner).size(), 5u);
}

TEST(Worker, ResumeAtTheLastTileOfTheShareOnlyFinishes) {
  WorkerRig rig(TileRange{10, 12, 20, 21}, 4);
  rig.Task->ResumeX[1] = 12;
  rig.Task->ResumeY[1] = 20;
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_EQ(rig.Owner.LogLinesOf(1), std::vector<std::string>{"T2 Finished."});
  EXPECT_EQ(rig.Workers[1]->LastPosition(), std::make_pair(0, 0));
}

TEST(Worker, AZeroInEitherResumeValueMeansNoSavedPosition) {
  for (const auto& [resumeX, resumeY] : {std::pair{0, 1}, std::pair{2, 0}}) {
    WorkerRig rig(TileRange{0, 2, 0, 1}, 4);
    rig.Task->ResumeX[1] = resumeX;
    rig.Task->ResumeY[1] = resumeY;
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_EQ(rig.Owner.LogLinesOf(1),
              (std::vector<std::string>{"T2:seq=1," + Name(0, 0) + " OK",
                                        "T2:seq=5," + Name(2, 0) + " OK", "T2 Finished."}))
        << resumeX << "," << resumeY;
  }
}

TEST(Worker, AStopBetweenTheAttemptsOfATileLetsItCompleteThenFinishes) {
  WorkerRig rig(TileRange{10, 10, 20, 23}, 1);
  rig.CreateWorkers();
  TDownThread& worker = *rig.Workers[0];
  rig.Http.Queue({ScriptedReply::Fail("HTTP/1.1 500 Internal Server Error")});
  rig.Http.SetGetHook([&worker](const std::string&) { worker.RequestStop(); });
  rig.StartAll();
  ASSERT_TRUE(rig.WaitForEnds());

  EXPECT_EQ(rig.Owner.LogLines(),
            (std::vector<std::string>{"T1:seq=1," + Name(10, 20) + " OK", "T1 Finished."}));
  EXPECT_EQ(rig.Http.Urls().size(), 2u);  // the repeat after the 500 still goes out
  EXPECT_FALSE(rig.TileExists(10, 21));
  EXPECT_EQ(worker.LastPosition(), std::make_pair(10, 20));
}

TEST(Worker, AStopDuringTheStartDelayOnlyFinishes) {
  WorkerRig rig(TileRange{10, 12, 20, 21}, 4);
  rig.CreateWorkers();
  TDownThread& third = *rig.Workers[2];
  rig.Time.SetHook([&third](std::chrono::milliseconds span) {
    if (span == std::chrono::milliseconds(200)) {
      third.RequestStop();
    }
  });
  rig.StartAll();
  ASSERT_TRUE(rig.WaitForEnds());
  EXPECT_EQ(rig.Owner.LogLinesOf(2), std::vector<std::string>{"T3 Finished."});
  EXPECT_EQ(FetchedBySerial(rig.Owner).size(), 4u);  // serials 2 and 6 stay untouched
  ExpectEveryWorkerEndedOnce(rig);
}

TEST(Worker, AStopBeforeAnyWorkerBeganOnlyFinishes) {
  WorkerRig rig(TileRange{10, 12, 20, 21}, 4);
  rig.CreateWorkers();
  for (auto& worker : rig.Workers) {
    worker->RequestStop();
  }
  rig.StartAll();
  ASSERT_TRUE(rig.WaitForEnds());
  EXPECT_TRUE(rig.Http.Urls().empty());
  EXPECT_EQ(rig.Owner.LogLines().size(), 4u);
  ExpectEveryWorkerEndedOnce(rig);
}

TEST(Worker, AnEndingFailureEndsOnlyThatWorker) {
  WorkerRig rig(TileRange{10, 10, 20, 23}, 2);
  const std::string refusedUrl = rig.Task->TileUrl(10, 20);  // serial 1, worker 1
  rig.Http.QueueFor(refusedUrl,
                    std::vector<ScriptedReply>(3, ScriptedReply::Fail("HTTP/1.1 403 Forbidden")));
  ASSERT_TRUE(rig.RunToEnd());

  EXPECT_EQ(rig.Owner.LogLinesOf(1),
            (std::vector<std::string>{"T2 HTTP/1.1 403 Forbidden->" + refusedUrl,
                                      "Error: may be your IP is banned.\nPlease try again later.",
                                      "T2 Finished."}));
  EXPECT_EQ(rig.Owner.FailedLines(),
            std::vector<std::string>{rig.Task->TilePath(10, 20) + "|" + refusedUrl});
  EXPECT_FALSE(rig.TileExists(10, 22));  // serial 3 was worker 1's too
  EXPECT_EQ(rig.Workers[1]->LastPosition(), std::make_pair(0, 0));
  EXPECT_EQ(rig.Workers[0]->LastPosition(), std::make_pair(10, 23));
  EXPECT_EQ((FetchedBySerial(rig.Owner)),
            (std::map<int, Fetched>{{2, {1, Name(10, 21)}}, {4, {1, Name(10, 23)}}}));
  ExpectEveryWorkerEndedOnce(rig);
}

TEST(Worker, AnUnwritableTileFolderEndsTheWorkerThroughItsEndingSteps) {
  WorkerRig rig(TileRange{10, 10, 20, 21}, 1);
  std::filesystem::remove_all(rig.Task->TileFolder);
  ASSERT_TRUE(rig.RunToEnd());
  const auto lines = rig.Owner.LogLines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("T1 Cannot create file " + rig.Task->TilePath(10, 20) + "->", 0), 0u);
  EXPECT_EQ(lines[1], "T1 Finished.");
  EXPECT_EQ(rig.Owner.FailedLines().size(), 1u);
  EXPECT_EQ(rig.Http.Urls().size(), 1u);
}

TEST(Worker, ADirectRunAsksForTheWorkerProfileWithoutProxy) {
  WorkerRig rig;
  rig.Params.ProxyPort = "not used";
  ASSERT_TRUE(rig.RunToEnd());
  const auto options = rig.Http.OptionsSeen();
  ASSERT_EQ(options.size(), 1u);
  EXPECT_FALSE(options[0].Proxy.has_value());
  EXPECT_EQ(options[0].Headers, WorkerRequestProfile().Headers);
  EXPECT_EQ(options[0].UserAgent, WorkerRequestProfile().UserAgent);
}

TEST(Worker, AProxiedRunPassesTheProxySettings) {
  for (const std::string portText : {"8080", " 8080", "+8080", "08080"}) {
    WorkerRig rig;
    rig.Params.UseProxy = true;
    rig.Params.ProxyServer = "proxy.test";
    rig.Params.ProxyPort = portText;
    rig.Params.ProxyUsername = "user";
    rig.Params.ProxyPassword = "secret";
    ASSERT_TRUE(rig.RunToEnd());
    const auto options = rig.Http.OptionsSeen();
    ASSERT_EQ(options.size(), 1u);
    ASSERT_TRUE(options[0].Proxy.has_value()) << portText;
    EXPECT_EQ(options[0].Proxy->Host, "proxy.test");
    EXPECT_EQ(options[0].Proxy->Port, 8080) << portText;
    EXPECT_EQ(options[0].Proxy->Username, "user");
    EXPECT_EQ(options[0].Proxy->Password, "secret");
    EXPECT_EQ(options[0].Headers, WorkerRequestProfile().Headers);
  }
}

TEST(Worker, AProxyPortThatIsNotADecimalPortSendsNothingAndFinishes) {
  for (const std::string portText :
       {"", "http", "80x", "$1F90", "0x1F90", "8080 ", "0", "-1", "65536", "99999999999"}) {
    WorkerRig rig;
    rig.Params.UseProxy = true;
    rig.Params.ProxyServer = "proxy.test";
    rig.Params.ProxyPort = portText;
    ASSERT_TRUE(rig.RunToEnd());
    EXPECT_TRUE(rig.Http.OptionsSeen().empty()) << portText;
    EXPECT_TRUE(rig.Http.Urls().empty()) << portText;
    EXPECT_EQ(rig.Owner.LogLines(),
              (std::vector<std::string>{"T1 Error: the proxy port \"" + portText +
                                            "\" is not a decimal port number from 1 to 65535.",
                                        "T1 Finished."}));
    EXPECT_EQ(rig.Owner.EndCount(0), 1);
  }
}

TEST(Worker, AProxyWithoutAServerSendsNothingAndFinishes) {
  WorkerRig rig;
  rig.Params.UseProxy = true;
  rig.Params.ProxyServer = "";
  rig.Params.ProxyPort = "8080";
  ASSERT_TRUE(rig.RunToEnd());
  EXPECT_TRUE(rig.Http.Urls().empty());
  EXPECT_EQ(rig.Owner.LogLines(),
            (std::vector<std::string>{"T1 Error: the proxy is on but no proxy server is set.",
                                      "T1 Finished."}));
  EXPECT_EQ(rig.Owner.EndCount(0), 1);
}

TEST(Worker, AnUnexpectedErrorStillPassesThroughTheEndingSteps) {
  WorkerRig rig;
  rig.Workers.push_back(std::make_unique<TDownThread>(
      false, 0, *rig.Task, rig.Context([](const HttpClientOptions&) -> std::unique_ptr<HttpClient> {
        throw std::runtime_error("no handle.");
      })));
  ASSERT_TRUE(rig.WaitForEnds());
  EXPECT_EQ(rig.Owner.LogLines(),
            (std::vector<std::string>{"T1 Error: no handle.", "T1 Finished."}));
  EXPECT_EQ(rig.Owner.EndCount(0), 1);
}

// Against a real tile service on the loopback interface, through the libcurl client.

std::vector<std::string> Sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

const std::string kAcceptHeader = "Accept: text/html, */*";
const std::string kUserAgentHeader = "User-Agent: Mozilla/3.0 (compatible; Indy Library)";

TEST(WorkerOverLoopback, SeveralWorkersFetchEveryTileOfASmallRange) {
  // Service rows count from the equator: at zoom 5, row 20 is -5 and row 21 is -6.
  const std::string missingTile = "&x=11&y=-5&";  // (11, 20): always 404
  const std::string resetOnce = "&x=12&y=-6&";    // (12, 21): the first connection is reset
  std::mutex mutex;
  bool resetDone = false;
  testing::LoopbackServer::Options options;
  options.DefaultReply = [&](const testing::Request& request) {
    const std::string target = request.Target();
    if (target.find(missingTile) != std::string::npos) {
      return testing::StatusReply(404);
    }
    const std::lock_guard lock(mutex);
    if (target.find(resetOnce) != std::string::npos && !resetDone) {
      resetDone = true;
      return testing::ResetReply();
    }
    return testing::PngReply();
  };
  testing::LoopbackServer server(options);
  WorkerRig rig(TileRange{10, 12, 20, 21}, 3, server.HostPort());
  rig.MakeClient = CreateCurlHttpClient;

  ASSERT_TRUE(rig.RunToEnd());

  for (int x = 10; x <= 12; ++x) {
    for (int y = 20; y <= 21; ++y) {
      const bool missing = x == 11 && y == 20;
      EXPECT_EQ(rig.ReadTile(x, y), missing ? WorkerRig::kBlankBytes : testing::SmallPng())
          << x << "," << y;
    }
  }
  // (11, 20) is serial 3, worker 0's: three attempts, then not found and the blank.
  const auto lines = rig.Owner.LogLinesOf(0);
  EXPECT_NE(std::find(lines.begin(), lines.end(),
                      "Error: the image is not found on server.HTTP/1.1 404 Not Found"),
            lines.end());
  EXPECT_NE(std::find(lines.begin(), lines.end(), "T1:11-20 got a blank image!"), lines.end());
  EXPECT_EQ(FetchedBySerial(rig.Owner).size(), 5u);
  EXPECT_TRUE(rig.Owner.FailedLines().empty());
  EXPECT_EQ(server.RequestCount(), 9u);  // 4 tiles at once, 3 for the missing, 2 for the reset
  ExpectEveryWorkerEndedOnce(rig);
}

TEST(WorkerOverLoopback, ADirectRequestCarriesHostAcceptAndUserAgentOnly) {
  testing::LoopbackServer server;
  WorkerRig rig(TileRange{10, 10, 20, 21}, 1, server.HostPort());
  rig.MakeClient = CreateCurlHttpClient;

  ASSERT_TRUE(rig.RunToEnd());

  const auto requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].RequestLine, "GET /hx/tl?v=4.3&r=1&x=10&y=-5&z=6 HTTP/1.1");
  EXPECT_EQ(requests[1].RequestLine, "GET /hx/tl?v=4.3&r=1&x=10&y=-6&z=6 HTTP/1.1");
  for (const auto& request : requests) {
    EXPECT_EQ(Sorted(request.HeaderLines),
              Sorted({"Host: " + server.HostPort(), kAcceptHeader, kUserAgentHeader}));
  }
  EXPECT_EQ(server.ConnectionCount(), 1);  // one client per worker keeps its connection
  EXPECT_EQ(rig.ReadTile(10, 21), testing::SmallPng());
}

TEST(WorkerOverLoopback, AProxiedRequestCarriesTheCredentialsUnasked) {
  testing::LoopbackServer::Options options;
  options.Proxy = testing::ProxyCredentials{"user", "s3cret:x"};
  testing::LoopbackServer proxy(options);
  WorkerRig rig(TileRange{10, 10, 20, 21}, 1, "tiles.test");
  rig.Params.UseProxy = true;
  rig.Params.ProxyServer = "127.0.0.1";
  rig.Params.ProxyPort = std::to_string(proxy.Port());
  rig.Params.ProxyUsername = "user";
  rig.Params.ProxyPassword = "s3cret:x";
  rig.MakeClient = CreateCurlHttpClient;

  ASSERT_TRUE(rig.RunToEnd());

  const auto requests = proxy.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].RequestLine,
            "GET http://tiles.test/hx/tl?v=4.3&r=1&x=10&y=-5&z=6 HTTP/1.1");
  const std::string credentials =
      "Proxy-Authorization: Basic " + testing::Base64Encode("user:s3cret:x");
  for (const auto& request : requests) {
    EXPECT_EQ(Sorted(request.HeaderLines),
              Sorted({"Host: tiles.test", credentials, kAcceptHeader, kUserAgentHeader}));
  }
  EXPECT_EQ(rig.ReadTile(10, 20), testing::SmallPng());
  EXPECT_EQ(rig.ReadTile(10, 21), testing::SmallPng());
}

}  // namespace
}  // namespace kartovel
