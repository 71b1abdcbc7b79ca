// The refresh of 10,000 unchanged tiles against the demo tile service on loopback (every
// answer a 304 head) beside a full download of the same tiles (every answer a tile):
// requests per second and the bytes the service sent, with the workers of a built-in
// task (8) and no pause between tiles, so that the figures are the program's own cost.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "common/Clock.h"
#include "download/HttpClient.h"
#include "download/TileValidatorIndex.h"
#include "engine/TaskValidatorIndex.h"
#include "engine/TileRefresh.h"
#include "task/Unitclasstask.h"
#include "tileserver/LoopbackHttpServer.h"
#include "tileserver/TileService.h"

namespace {

using Seconds = std::chrono::duration<double>;
constexpr std::size_t kTiles = 10000;

class Quiet final : public kartovel::RefreshSink {
 public:
  void RefreshLine(const std::string&) override {}
  void RefreshProgress(const kartovel::RefreshCounts&) override {}
};

struct Phase {
  kartovel::RefreshCounts Counts;
  double SecondsTaken = 0;
  uint64_t BytesSent = 0;
  uint64_t Requests = 0;
};

void Print(const char* name, const Phase& phase) {
  std::printf("%-28s %6llu requests  %8.0f requests/s  %11llu bytes sent (%6.1f per tile)  "
              "%lld unchanged, %lld changed, %lld failed\n",
              name, static_cast<unsigned long long>(phase.Requests),
              phase.Requests / phase.SecondsTaken, static_cast<unsigned long long>(phase.BytesSent),
              double(phase.BytesSent) / double(phase.Requests),
              static_cast<long long>(phase.Counts.Unchanged), static_cast<long long>(phase.Counts.Changed),
              static_cast<long long>(phase.Counts.Failed));
}

}  // namespace

int main() {
  using namespace kartovel;
  bench::ScratchFolder scratch;
  std::atomic<uint64_t> bytes{0};
  std::atomic<uint64_t> requests{0};
  loopback::HttpServer server([&](const loopback::Request& request) {
    loopback::Reply reply = tileserver::ServeTileRequest(request);
    bytes += reply.Bytes.size();
    ++requests;
    return reply;
  });
  MapSource source;
  source.MapsType = 120;
  source.Url = "http://127.0.0.1:" + std::to_string(server.Port()) + "/{z}/{x}/{y}.png";
  source.Prefix = "b";
  source.Extension = "png";
  source.Workers = 8;
  source.PauseMs = 0;
  TaskParameters params;
  params.LeftLongitude = 10;
  params.RightLongitude = 12.3;
  params.TopLatitude = 50;
  params.BottomLatitude = 48.5;
  params.Zoom = 14;
  params.MapsType = 120;
  params.Source = source;
  params.SavePath = scratch.Path();
  params.TaskFileName = "bench.qtsk";
  DownloadTask task(params);
  std::vector<TileId> tiles;
  task.Coverage().ForEachCovered([&](const TileId& tile) {
    tiles.push_back(tile);
    return tiles.size() < kTiles;
  });
  auto index = OpenTaskValidatorIndex(task, [](std::string line) { std::puts(line.c_str()); });
  if (!index || tiles.size() < kTiles) {
    std::fprintf(stderr, "set-up failed\n");
    return 1;
  }
  ScaledClock noWait(0);
  Quiet sink;
  TileRefresh refresh(task, *index, noWait, CreateCurlHttpClient, sink);
  const auto measure = [&](const std::vector<TileId>& due) {
    bytes = 0;
    requests = 0;
    const auto started = std::chrono::steady_clock::now();
    Phase phase;
    phase.Counts = refresh.Run(due, {});
    phase.SecondsTaken = Seconds(std::chrono::steady_clock::now() - started).count();
    phase.BytesSent = bytes;
    phase.Requests = requests;
    return phase;
  };
  std::printf("%zu tiles at zoom 14, 8 workers, no pause, loopback demo tile service\n", tiles.size());
  // No file and no validator yet: every tile is asked for whole and written.
  Print("full download", measure(tiles));
  // Every tile now has its tag: each is asked whether it changed.
  const std::vector<TileId> due = refresh.DueTiles({0, std::time(nullptr)});
  Print("refresh, all unchanged", measure(due));
  return 0;
}
