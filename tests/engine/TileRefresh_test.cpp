// The refresh of a task's tiles against a loopback tile service that tags its tiles: one
// tile per way a refresh can go, in one task, with the files, the index and the requests
// looked at afterwards.
#include "engine/TileRefresh.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <mutex>

#include "engine/TaskValidatorIndex.h"
#include "support/FakeClock.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"
#include "tileserver/ConditionalReply.h"

namespace kartovel {
namespace {

using testing::LoopbackServer;
using testing::PngStart;
using testing::Sandbox;

constexpr int64_t kDay = 24 * 3600;
const char* const kChangedAt = "Mon, 01 Jan 2024 00:00:00 GMT";
constexpr int64_t kChangedAtSeconds = 1704067200;

// One tile of the task: what the task holds of it and what the server now has.
struct TileCase {
  const char* Name;
  TileValidators Held;               // in the index
  bool FileKept;                     // the tile's file is there before the refresh
  loopback::ResourceVersion Server;  // empty ETag and date: the server fails with 500
  std::string ServerBody;
  const char* Outcome;               // the refresh's line for the tile
  std::string FileAfter;             // empty: no file
  std::vector<std::string> Asked;    // the conditional lines of each request for it
};

struct Collected final : RefreshSink {
  void RefreshLine(const std::string& line) override { Lines.push_back(line); }
  void RefreshProgress(const RefreshCounts&) override {}
  std::vector<std::string> Lines;
};

std::vector<TileCase> Cases() {
  const std::string held = PngStart(1, 1);
  const std::string fresh = PngStart(2, 2);
  return {
      {"tag still current", {"\"a\"", {}, {}}, true, {"\"a\"", "", ""}, held, "unchanged", held,
       {"If-None-Match: \"a\""}},
      {"date still current", {"", kChangedAtSeconds, {}}, true, {"", kChangedAt, ""}, held,
       "unchanged", held, {"If-Modified-Since: Mon, 01 Jan 2024 00:00:00 GMT"}},
      {"changed", {"\"old\"", {}, {}}, true, {"\"new\"", "", "max-age=600"}, fresh, "changed", fresh,
       {"If-None-Match: \"old\""}},
      {"now failing", {"\"a\"", {}, {}}, true, {"", "", ""}, "", "the old file is kept", held,
       {"If-None-Match: \"a\"", "If-None-Match: \"a\"", "If-None-Match: \"a\""}},
      {"file gone", {"\"a\"", {}, {}}, false, {"\"a\"", "", ""}, held, "changed", held,
       {"If-None-Match: \"a\"", ""}},
  };
}

TEST(TileRefresh, EachTileEndsAsItsServerAndItsFileSay) {
  Sandbox box;
  const std::vector<TileCase> cases = Cases();
  std::mutex mutex;
  std::map<std::string, std::size_t> caseOfPath;
  std::map<std::size_t, std::vector<std::string>> asked;
  LoopbackServer server({[&](const loopback::Request& request) {
                           std::lock_guard lock(mutex);
                           const std::size_t row = caseOfPath.at(request.Target());
                           std::string line;
                           for (const char* name : {"If-None-Match", "If-Modified-Since"}) {
                             if (const auto value = request.Header(name)) line = std::string(name) + ": " + *value;
                           }
                           asked[row].push_back(line);
                           const TileCase& tile = cases[row];
                           if (tile.Server.ETag.empty() && tile.Server.LastModified.empty()) {
                             return testing::StatusReply(500);
                           }
                           return loopback::VersionedReply(request, "image/png", tile.ServerBody, tile.Server);
                         },
                         std::nullopt});
  MapSource source;
  source.MapsType = 120;
  source.Url = server.Url("/{z}/{x}/{y}.png");
  source.Prefix = "t";
  source.Extension = "png";
  source.Workers = 2;
  source.PauseMs = 250;
  TaskParameters params;
  params.LeftLongitude = 10;
  params.RightLongitude = 10.6;
  params.TopLatitude = 50;
  params.BottomLatitude = 49.8;
  params.Zoom = 12;
  params.MapsType = 120;
  params.Source = source;
  params.SavePath = box.Folder();
  params.TaskFileName = "r.qtsk";
  DownloadTask task(params);
  std::vector<TileId> tiles;
  task.Coverage().ForEachCovered([&](const TileId& tile) {
    tiles.push_back(tile);
    return tiles.size() < cases.size();
  });
  ASSERT_EQ(tiles.size(), cases.size());

  const std::time_t now = std::time(nullptr);
  auto index = OpenTaskValidatorIndex(task, [](std::string line) { ADD_FAILURE() << line; });
  ASSERT_TRUE(index);
  for (std::size_t row = 0; row < cases.size(); ++row) {
    const TileAddress address = task.AddressOf(tiles[row].X, tiles[row].Y);
    caseOfPath[address.Url.substr(address.Url.find('/', 7))] = row;
    if (cases[row].FileKept) {
      Sandbox::WriteAll(address.Path, PngStart(1, 1));
      std::filesystem::last_write_time(address.Path, std::filesystem::last_write_time(address.Path) -
                                                         std::chrono::hours(24 * 30));
    }
    index->Note({tiles[row], cases[row].Held, now - 30 * kDay});
  }
  ASSERT_TRUE(index->Commit());

  testing::FakeClock clock;
  Collected sink;
  TileRefresh refresh(task, *index, clock, CreateCurlHttpClient, sink);
  const std::vector<TileId> due = refresh.DueTiles({7 * kDay, now});
  EXPECT_EQ(due, tiles);
  EXPECT_TRUE(refresh.DueTiles({31 * kDay, now}).empty());  // none is that old
  const RefreshCounts counts = refresh.Run(due, {});
  EXPECT_EQ(counts.Unchanged, 2);
  EXPECT_EQ(counts.Changed, 2);
  EXPECT_EQ(counts.Failed, 1);

  for (std::size_t row = 0; row < cases.size(); ++row) {
    SCOPED_TRACE(cases[row].Name);
    const TileAddress address = task.AddressOf(tiles[row].X, tiles[row].Y);
    EXPECT_EQ(Sandbox::ReadAll(address.Path), cases[row].FileAfter);
    EXPECT_EQ(asked[row], cases[row].Asked);
    const bool outcomeSaid = std::any_of(sink.Lines.begin(), sink.Lines.end(), [&](const std::string& line) {
      return line.find(address.FileName) != std::string::npos || line.find(address.Url) != std::string::npos
                 ? line.find(cases[row].Outcome) != std::string::npos
                 : false;
    });
    EXPECT_TRUE(outcomeSaid);
    const bool failed = std::string(cases[row].Outcome) == "the old file is kept";
    // A refreshed tile's file is as new as its fetch; a failed one keeps its old time.
    const auto age = std::chrono::file_clock::now() - std::filesystem::last_write_time(address.Path);
    EXPECT_EQ(age > std::chrono::hours(24), failed);
    // And only a refreshed tile is no longer due.
    const auto entry = TileValidatorIndex(index->FileName(), TaskIdentityOf(task)).Find(tiles[row]);
    ASSERT_TRUE(entry);
    EXPECT_EQ(entry->FetchedAt >= now, !failed);
  }
  EXPECT_EQ(refresh.FailedTiles().size(), 1u);
  EXPECT_EQ(TileValidatorIndex(index->FileName(), TaskIdentityOf(task)).Find(tiles[2])->Validators.ETag,
            "\"new\"");
  EXPECT_EQ(refresh.DueTiles({7 * kDay, now}), (std::vector<TileId>{tiles[3]}));
  // The source's pause after every tile that was refreshed, none after the failure.
  const auto sleeps = clock.Sleeps();
  EXPECT_EQ(std::count(sleeps.begin(), sleeps.end(), std::chrono::milliseconds(250)), 4);
}

}  // namespace
}  // namespace kartovel
