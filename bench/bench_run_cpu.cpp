// The processor time a whole run costs per tile: the main window's run of 4,453 loopback
// tiles with its pauses at nothing (8 workers, the monitor's saves and the tiles' batch
// syncs included), user and system time apart, beside curl fetching the same addresses
// into files with 8 transfers at a time (when /usr/bin/curl is installed). The tile
// service runs in a child process, so neither figure holds the server's share.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "BenchPlatform.h"
#include "BenchSupport.h"
#include "app/Unit1.h"
#include "common/Clock.h"
#include "common/FileSystem.h"
#include "common/HandOffQueue.h"
#include "tileserver/LoopbackHttpServer.h"
#include "tileserver/TileService.h"

namespace {

constexpr char kCurl[] = "/usr/bin/curl";
constexpr int kParallelTransfers = 8;

struct Usage {
  double User = 0;
  double System = 0;
};

Usage UsageOf(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return {kartovel::bench::detail::ToSeconds(usage.ru_utime),
          kartovel::bench::detail::ToSeconds(usage.ru_stime)};
}

Usage operator-(const Usage& after, const Usage& before) {
  return {after.User - before.User, after.System - before.System};
}

// The tile service in a child process forked before any thread exists: every request gets
// the same tile image. The child ends when the parent closes its end of the pipe.
class ServerProcess {
 public:
  ServerProcess() {
    int portPipe[2];
    int stopPipe[2];
    if (pipe(portPipe) != 0 || pipe(stopPipe) != 0) {
      throw std::runtime_error("pipe failed");
    }
    pid_ = fork();
    if (pid_ == 0) {
      close(portPipe[0]);
      close(stopPipe[1]);
      Serve(portPipe[1], stopPipe[0]);
    }
    close(portPipe[1]);
    close(stopPipe[0]);
    stopWrite_ = stopPipe[1];
    if (read(portPipe[0], &port_, sizeof port_) != sizeof port_) {
      throw std::runtime_error("the tile service did not start");
    }
    close(portPipe[0]);
  }
  ~ServerProcess() {
    close(stopWrite_);
    waitpid(pid_, nullptr, 0);
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  uint16_t Port() const { return port_; }

 private:
  [[noreturn]] static void Serve(int portWrite, int stopRead) {
    kartovel::loopback::Request sample;
    sample.RequestLine = "GET /hx/tl?v=4.3&r=1&x=1&y=1&z=3 HTTP/1.1";
    const kartovel::loopback::Reply tile = kartovel::tileserver::ServeTileRequest(sample);
    kartovel::loopback::HttpServer server(
        [&tile](const kartovel::loopback::Request&) { return tile; });
    const uint16_t port = server.Port();
    char ignored = 0;
    if (write(portWrite, &port, sizeof port) == sizeof port) {
      while (read(stopRead, &ignored, 1) > 0) {
      }
    }
    server.Stop();
    _exit(0);
  }

  pid_t pid_ = -1;
  int stopWrite_ = -1;
  uint16_t port_ = 0;
};

// A headless platform whose hand-offs the benchmark's main thread serves between ticks.
class BenchPlatform final : public kartovel::bench::HeadlessPlatform {
 public:
  using HeadlessPlatform::HeadlessPlatform;
  void RunBlocking(const std::function<void()>& operation) override {
    handOffs_.RunBlocking(operation);
  }
  void ProcessPendingEvents() override { handOffs_.RunPending(); }
  kartovel::HandOffQueue& HandOffs() { return handOffs_; }

 private:
  kartovel::HandOffQueue handOffs_;
};

void WriteConfig(const std::string& programFolder, uint16_t port) {
  std::filesystem::create_directories(programFolder + "ini");
  std::ofstream(programFolder + "ini/config.ini")
      << "[TileService]\r\nHost=127.0.0.1:" << port << "\r\n";
}

struct RunFigures {
  Usage Cpu;
  int32_t Tiles = 0;
  int32_t OnDisk = 0;
  int32_t Saves = 0;
};

// The run as the command line makes it: Start, then the monitor every tick until the end.
RunFigures RunWindow(const std::string& programFolder, const std::string& folder,
                     std::chrono::milliseconds tickEvery,
                     std::vector<std::pair<std::string, std::string>>& urlsAndPaths) {
  BenchPlatform platform(programFolder);
  kartovel::ScaledClock noPauses(0);
  kartovel::TForm1 form(platform, noPauses, kartovel::CreateCurlHttpClient);
  form.FormShow();
  form.Edit1 = "13.35";
  form.Edit3 = "13.45";
  form.Edit2 = "52.55";
  form.Edit4 = "52.50";
  form.Edit5 = "18";
  form.UpDown1Position = 18;
  form.Edit6 = folder + "maps";
  form.EditTaskName = "bench.qtsk";
  std::filesystem::create_directories(form.Edit6);

  RunFigures figures;
  const Usage before = UsageOf(RUSAGE_SELF);
  form.BitBtn1Click();
  auto nextTick = std::chrono::steady_clock::now() + tickEvery;
  while (form.Timer1Enabled) {
    platform.HandOffs().ServeUntil(nextTick);
    nextTick += tickEvery;
    form.Timer1Timer();
  }
  figures.Cpu = UsageOf(RUSAGE_SELF) - before;
  figures.Saves = form.MonitorTicks / 5 + 1;

  const kartovel::DownloadTask& task = *form.CurrentTask;
  figures.Tiles = task.TotalCount;
  for (int32_t x = task.MinX; x <= task.MaxX; ++x) {
    for (int32_t y = task.MinY; y <= task.MaxY; ++y) {
      figures.OnDisk += kartovel::FileExists(task.TilePath(x, y)) ? 1 : 0;
      urlsAndPaths.emplace_back(task.TileUrl(x, y), folder + "curl/" + task.TileFileName(x, y));
    }
  }
  return figures;
}

// curl over the same addresses, each into its file; none when curl is not installed.
std::optional<Usage> RunCurl(const std::string& folder,
                             const std::vector<std::pair<std::string, std::string>>& urlsAndPaths) {
  if (access(kCurl, X_OK) != 0) {
    return std::nullopt;
  }
  std::filesystem::create_directories(folder + "curl");
  const std::string list = folder + "curl.cfg";
  {
    std::ofstream out(list);
    for (const auto& [url, path] : urlsAndPaths) {
      out << "url = \"" << url << "\"\noutput = \"" << path << "\"\n";
    }
  }
  const Usage before = UsageOf(RUSAGE_CHILDREN);
  const pid_t child = fork();
  if (child == 0) {
    // Its progress meter (which -s does not silence with -Z) goes nowhere.
    const int nowhere = open("/dev/null", O_WRONLY);
    dup2(nowhere, STDERR_FILENO);
    const std::string parallel = std::to_string(kParallelTransfers);
    execl(kCurl, kCurl, "-s", "-Z", "--parallel-max", parallel.c_str(), "-K", list.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
      WEXITSTATUS(status) != 0) {
    throw std::runtime_error("curl failed");
  }
  return UsageOf(RUSAGE_CHILDREN) - before;
}

void PrintPerTile(const char* who, const Usage& cpu, int32_t tiles) {
  const double perTile = 1000.0 / tiles;
  std::printf("%s: user %.3f s + system %.3f s = %.3f s; per tile %.3f + %.3f = %.3f ms\n", who,
              cpu.User, cpu.System, cpu.User + cpu.System, cpu.User * perTile, cpu.System * perTile,
              (cpu.User + cpu.System) * perTile);
}

}  // namespace

// Arguments: the monitor's real tick in milliseconds (default 200: a save every second) and
// the rounds of both runs (default 2). The file system makes the first new files after many
// removals (an earlier benchmark's) dearer, so the rounds after the first are the fair ones.
int main(int argc, char** argv) {
  const std::chrono::milliseconds tickEvery(argc > 1 ? std::max(1, std::atoi(argv[1])) : 200);
  const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 2;
  try {
    const ServerProcess server;  // forked first, while the process has one thread
    const kartovel::bench::ScratchFolder scratch;
    const std::string programFolder = scratch.Path() + "program/";
    WriteConfig(programFolder, server.Port());
    int status = 0;
    for (int round = 1; round <= rounds; ++round) {
      const std::string folder = scratch.Path() + "round" + std::to_string(round) + "/";
      std::vector<std::pair<std::string, std::string>> urlsAndPaths;
      const RunFigures run = RunWindow(programFolder, folder, tickEvery, urlsAndPaths);
      std::printf(
          "round %d: %d tiles, %d on disk, 8 workers, pauses at nothing, a tick every %lld ms, "
          "%d position saves\n",
          round, run.Tiles, run.OnDisk, static_cast<long long>(tickEvery.count()), run.Saves);
      PrintPerTile("kartovel", run.Cpu, run.Tiles);
      if (const std::optional<Usage> curl = RunCurl(folder, urlsAndPaths)) {
        PrintPerTile("curl -Z --parallel-max 8", *curl, run.Tiles);
        const double ratio = (run.Cpu.User + run.Cpu.System) / (curl->User + curl->System);
        std::printf("ratio %.2f (target <= 1.5)\n", ratio);
      } else {
        std::printf("curl: not installed, no comparison\n");
      }
      status = run.OnDisk == run.Tiles ? status : 1;
    }
    return status;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "%s\n", error.what());
    return 1;
  }
}
