// Runs 8 download workers over 64 tiles in real time against the loopback tile service
// and prints the wall time against the ideal that the pauses set (8 tiles a worker x 1 s,
// plus the 0.7 s start spread), as a ratio, and the processor time per tile.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "QueueDispatcher.h"
#include "common/Clock.h"
#include "common/FileSystem.h"
#include "download/HttpClient.h"
#include "download/unit3.h"
#include "task/Unitclasstask.h"
#include "tileserver/LoopbackHttpServer.h"
#include "tileserver/TileService.h"

namespace {

namespace fs = std::filesystem;
using Seconds = std::chrono::duration<double>;

constexpr int32_t kWorkers = 8;
constexpr int32_t kColumns = 8;
constexpr int32_t kRows = 8;
constexpr double kIdealSeconds = 8 * 1.0 + 0.7;

// The main window's side: the log pane, the failed-tile pane and the running count.
class PaneOwner final : public kartovel::WorkerOwner {
 public:
  void ShowStatus(const kartovel::TDownThread& worker) override {
    log.push_back(worker.StatusText);
    if (worker.LastReportKind == kartovel::ReportKind::Fetched) {
      ++fetched;
    }
  }
  void RecordFailure(const kartovel::TDownThread& worker) override {
    failed.push_back(worker.StatusText);
  }
  void ReportEnd(const kartovel::TDownThread&) override {
    --running;
    if (running == 0) {
      lastEnd = std::chrono::steady_clock::now();
    }
  }

  std::vector<std::string> log;
  std::vector<std::string> failed;
  int fetched = 0;
  int running = kWorkers;
  std::chrono::steady_clock::time_point lastEnd;
};

// The tile images are made before the clock starts, so that the figures are the engine's
// (workers, client, hand-offs, file writes) and the server only sends bytes.
std::map<std::string, kartovel::loopback::Reply> PrepareTiles(const kartovel::DownloadTask& task) {
  std::map<std::string, kartovel::loopback::Reply> replies;
  const std::string origin = "http://" + task.Params.TileHost;
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      kartovel::loopback::Request request;
      const std::string target = task.TileUrl(x, y).substr(origin.size());
      request.RequestLine = "GET " + target + " HTTP/1.1";
      replies[target] = kartovel::tileserver::ServeTileRequest(request);
    }
  }
  return replies;
}

struct RunFigures {
  double wallSeconds = 0;
  double processorSeconds = 0;
  int fetched = 0;
  int filesOnDisk = 0;
  size_t failed = 0;
};

RunFigures RunOnce(const std::string& folder) {
  // Filled before the workers start; the server reads it only when a request arrives.
  std::map<std::string, kartovel::loopback::Reply> replies;
  kartovel::loopback::HttpServer server([&replies](const kartovel::loopback::Request& request) {
    const auto found = replies.find(request.Target());
    return found != replies.end() ? found->second : kartovel::loopback::Reply{};
  });

  kartovel::TaskParameters params;
  params.Zoom = 13;
  params.SavePath = folder;
  params.TaskFileName = "bench.qtsk";
  params.TileHost = "127.0.0.1:" + std::to_string(server.Port());
  kartovel::DownloadTask task(params);
  task.MinX = 6735;
  task.MaxX = task.MinX + kColumns - 1;
  task.MinY = 3086;
  task.MaxY = task.MinY + kRows - 1;
  task.TotalCount = kColumns * kRows;
  params.ThreadCount = kWorkers;
  replies = PrepareTiles(task);

  kartovel::ScaledClock realTime(1.0);
  kartovel::bench::QueueDispatcher dispatcher;
  PaneOwner owner;
  const kartovel::WorkerContext context{owner, dispatcher, realTime, folder,
                                        kartovel::CreateCurlHttpClient};

  RunFigures figures;
  const double processorBefore = kartovel::bench::ProcessorSeconds();
  const auto start = std::chrono::steady_clock::now();
  {
    std::vector<std::unique_ptr<kartovel::TDownThread>> workers;
    for (int32_t index = 0; index < kWorkers; ++index) {
      workers.push_back(std::make_unique<kartovel::TDownThread>(false, index, task, context));
    }
    dispatcher.ServeUntil([&owner] { return owner.running == 0; });
  }
  figures.wallSeconds = Seconds(owner.lastEnd - start).count();
  figures.processorSeconds = kartovel::bench::ProcessorSeconds() - processorBefore;
  figures.fetched = owner.fetched;
  figures.failed = owner.failed.size();
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      figures.filesOnDisk += kartovel::FileExists(task.TilePath(x, y)) ? 1 : 0;
    }
  }
  return figures;
}

// Runs the requested number of runs, each in a fresh subfolder; fails if a run misses a tile.
int RunAll(int runs, const std::string& folder) {
  std::printf("engine: %d tiles, %d workers, real clock, loopback tile service\n", kColumns * kRows,
              kWorkers);
  int status = 0;
  for (int run = 1; run <= runs; ++run) {
    const std::string runFolder = folder + "run" + std::to_string(run) + "/";
    fs::create_directories(runFolder);
    const RunFigures figures = RunOnce(runFolder);
    const int tiles = kColumns * kRows;
    std::printf(
        "run %d: wall %.3f s, ideal %.3f s, ratio %.4f (target <= 1.03); "
        "processor %.3f s, %.2f ms per tile; fetched %d, on disk %d, failed records %zu\n",
        run, figures.wallSeconds, kIdealSeconds, figures.wallSeconds / kIdealSeconds,
        figures.processorSeconds, figures.processorSeconds * 1000.0 / tiles, figures.fetched,
        figures.filesOnDisk, figures.failed);
    if (figures.fetched != tiles || figures.filesOnDisk != tiles) {
      status = 1;
    }
  }
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1;
  try {
    const kartovel::bench::ScratchFolder scratch;
    return RunAll(runs, scratch.Path());
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
