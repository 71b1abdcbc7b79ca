// `kartovel-cli refresh` as a process against a loopback service that tags its tiles: a
// refresh after a download, its bad arguments, a stopped refresh that the next one
// finishes, and the index of a download killed in its middle.
#include <gtest/gtest.h>
#include <signal.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "cli/CliRig.h"
#include "tileserver/ConditionalReply.h"

namespace kartovel {
namespace {

using testing::CliRig;
using testing::CliRun;
using testing::LoopbackServer;
using testing::Sandbox;

// 63 tiles at zoom 10.
const std::vector<std::string> kRectangle = {"10", "12", "50", "48"};
constexpr int kTiles = 63;

LoopbackServer::Options Tagging() {
  LoopbackServer::Options options;
  options.DefaultReply = [](const testing::Request& request) {
    return loopback::VersionedReply(request, "image/png", testing::SmallPng(),
                                    {"\"" + request.Target() + "\"", "", "max-age=3600"});
  };
  return options;
}

bool Contains(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Runs sql on the index (all rows' first columns, joined by spaces).
std::string Query(const std::string& index, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(index.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
  std::string result;
  sqlite3_exec(
      db, sql.c_str(),
      [](void* out, int, char** values, char**) {
        auto& text = *static_cast<std::string*>(out);
        text += (text.empty() ? "" : " ") + std::string(values[0] ? values[0] : "NULL");
        return 0;
      },
      &result, nullptr);
  sqlite3_close(db);
  return result;
}

std::size_t ConditionalRequests(const LoopbackServer& server, std::size_t from) {
  const auto requests = server.Requests();
  return std::count_if(requests.begin() + static_cast<std::ptrdiff_t>(from), requests.end(),
                       [](const testing::Request& request) { return request.Header("If-None-Match").has_value(); });
}

std::string Summary(const std::string& task, int unchanged, int changed, int failed, int due) {
  return task + ": " + std::to_string(unchanged) + " unchanged, " + std::to_string(changed) +
         " changed, " + std::to_string(failed) + " failed of " + std::to_string(due) + " tiles due";
}

TEST(RefreshCli, AfterADownloadOnlyOldTilesAreAskedAboutAndEachIsKept) {
  CliRig rig(Tagging());
  ASSERT_EQ(rig.Run(rig.Download("10", "r", kRectangle)).Status, 0);
  const std::string task = rig.MapsFile("r.qtsk");
  const std::string tile = rig.Maps + "/r/qn_540_347_10.png";
  const std::string bytes = Sandbox::ReadAll(tile);
  // Fetched just now and fresh for an hour: nothing is due.
  const std::size_t before = rig.Server.RequestCount();
  CliRun fresh = rig.Run({"refresh", task});
  EXPECT_EQ(fresh.Status, 0) << fresh.Err;
  EXPECT_TRUE(Contains(fresh.Out, Summary(task, 0, 0, 0, 0))) << fresh.Out;
  EXPECT_EQ(rig.Server.RequestCount(), before);
  // Every tile is at least 0 days old.
  CliRun all = rig.Run({"refresh", task, "--older-than", "0", "--quiet"});
  EXPECT_EQ(all.Status, 0) << all.Err;
  EXPECT_TRUE(Contains(all.Out, Summary(task, kTiles, 0, 0, kTiles))) << all.Out;
  EXPECT_EQ(ConditionalRequests(rig.Server, before), static_cast<std::size_t>(kTiles));
  EXPECT_EQ(Sandbox::ReadAll(tile), bytes);
}

TEST(RefreshCli, AStoppedRefreshEndsWith130AndTheNextAsksOnlyForWhatIsLeft) {
  CliRig rig(Tagging());
  ASSERT_EQ(rig.Run(rig.Download("10", "r", kRectangle)).Status, 0);
  const std::string task = rig.MapsFile("r.qtsk");
  const std::string index = task + ".validators";
  Query(index, "UPDATE tiles SET fetched = fetched - 10 * 86400");
  rig.TimeScale = "KARTOVEL_TIME_SCALE=0.2";  // 200 ms between two tiles of a worker
  const std::size_t before = rig.Server.RequestCount();
  auto child = rig.Start({"refresh", task, "--older-than", "5", "--quiet"});
  ASSERT_TRUE(rig.Server.WaitForRequests(before + 10, std::chrono::seconds(30)));
  child->Signal(SIGINT);
  const CliRun stopped = rig.Finish(*child);
  ASSERT_EQ(stopped.Status, 130) << stopped.Err;
  const std::size_t first = rig.Server.RequestCount() - before;
  ASSERT_LT(first, static_cast<std::size_t>(kTiles));
  rig.TimeScale = testing::kCliTimeScale;
  const CliRun rest = rig.Run({"refresh", task, "--older-than", "5", "--quiet"});
  EXPECT_EQ(rest.Status, 0) << rest.Err;
  // A request cut by the stop is asked again; nothing refreshed is.
  const std::size_t second = rig.Server.RequestCount() - before - first;
  EXPECT_GE(first + second, static_cast<std::size_t>(kTiles));
  EXPECT_LE(first + second, static_cast<std::size_t>(kTiles) + 8);
  EXPECT_TRUE(Contains(rest.Out, "of " + std::to_string(second) + " tiles due")) << rest.Out;
}

struct BadArgumentsCase {
  const char* Name;
  std::vector<std::string> Arguments;  // after "refresh"; "TASK" is the downloaded task
  int Status;
  const char* Said;  // on standard error
};

class RefreshCliArguments : public ::testing::TestWithParam<BadArgumentsCase> {};

TEST_P(RefreshCliArguments, AreRefusedWithTheirReasonAndNothingIsAsked) {
  CliRig rig(Tagging());
  std::vector<std::string> arguments{"refresh"};
  for (const std::string& argument : GetParam().Arguments) {
    arguments.push_back(argument == "TASK" ? rig.MapsFile("r.qtsk") : argument);
  }
  const CliRun run = rig.Run(arguments);
  EXPECT_EQ(run.Status, GetParam().Status);
  EXPECT_TRUE(Contains(run.Err, GetParam().Said)) << run.Err;
  EXPECT_EQ(rig.Server.RequestCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, RefreshCliArguments,
    ::testing::Values(BadArgumentsCase{"negative age", {"TASK", "--older-than", "-1"}, 2, "--older-than"},
                      BadArgumentsCase{"age not a number", {"TASK", "--older-than", "week"}, 2, "--older-than"},
                      BadArgumentsCase{"no task", {}, 2, "TASK"},
                      BadArgumentsCase{"missing task file", {"TASK"}, 3, "r.qtsk"}),
    [](const auto& info) {
      std::string name = info.param.Name;
      std::replace(name.begin(), name.end(), ' ', '_');
      return name;
    });

TEST(RefreshCli, TheIndexOfAKilledDownloadIsWholeAndCoversOnlyTilesOnDisk) {
  CliRig rig(Tagging());
  rig.TimeScale = "KARTOVEL_TIME_SCALE=0.1";
  auto child = rig.Start(rig.Download("10", "k", kRectangle));
  // Past the first saves of the positions (every fifth second), before the end.
  ASSERT_TRUE(rig.Server.WaitForRequests(56, std::chrono::seconds(60)));
  child->Signal(SIGKILL);
  rig.Finish(*child);
  const std::string index = rig.MapsFile("k.qtsk.validators");
  EXPECT_EQ(Query(index, "PRAGMA integrity_check"), "ok");
  const std::string entries = Query(index, "SELECT count(*) FROM tiles");
  ASSERT_GT(std::stoi(entries), 0);
  const std::string names = Query(index, "SELECT 'qn_' || x || '_' || y || '_' || zoom || '.png' FROM tiles");
  std::istringstream each(names);
  for (std::string name; each >> name;) {
    EXPECT_TRUE(std::filesystem::exists(rig.Maps + "/k/" + name)) << name;
  }
  // The run continued to its end leaves an entry for every tile, each asked about once.
  rig.TimeScale = testing::kCliTimeScale;
  ASSERT_EQ(rig.Run({"continue", rig.MapsFile("k.qtsk"), "--quiet"}).Status, 0);
  EXPECT_EQ(Query(index, "SELECT count(*) FROM tiles"), std::to_string(kTiles));
  const CliRun refreshed = rig.Run({"refresh", rig.MapsFile("k.qtsk"), "--older-than", "0", "--quiet"});
  EXPECT_TRUE(Contains(refreshed.Out, Summary(rig.MapsFile("k.qtsk"), kTiles, 0, 0, kTiles)))
      << refreshed.Out << refreshed.Err;
}

TEST(RefreshCli, ADownloadBesideADamagedIndexMakesItAgainWithOneLogLine) {
  CliRig rig(Tagging());
  std::filesystem::create_directories(rig.Maps);
  const std::string index = rig.MapsFile("d.qtsk.validators");
  Sandbox::WriteAll(index, std::string(8192, '\x17'));
  const CliRun run = rig.Run(rig.Download("10", "d", kRectangle));
  ASSERT_EQ(run.Status, 0) << run.Err;
  const std::string log = Sandbox::ReadAll(rig.MapsFile("d_log.txt"));
  const std::string line = "The tile index " + index + " is damaged; it is made again from nothing.";
  EXPECT_TRUE(Contains(log, line)) << log;
  EXPECT_EQ(log.find(line), log.rfind(line));
  EXPECT_EQ(Query(index, "PRAGMA integrity_check"), "ok");
  EXPECT_EQ(Query(index, "SELECT count(*) FROM tiles"), std::to_string(kTiles));
}

}  // namespace
}  // namespace kartovel
