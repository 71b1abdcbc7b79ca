// Two figures against hostile loopback servers: the peak resident memory of this process
// while a server sends a gigabyte body (chunked, with a length, and ended by a close), and
// the time from Stop to the end of 8 workers whose server trickles 2 bytes a second.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "BenchSupport.h"
#include "QueueDispatcher.h"
#include "common/Clock.h"
#include "download/HttpClient.h"
#include "download/unit3.h"
#include "task/Unitclasstask.h"
#include "tileserver/LoopbackHttpServer.h"

namespace {

using Seconds = std::chrono::duration<double>;
using kartovel::loopback::Reply;

constexpr uint64_t kGigabyte = uint64_t{1} << 30;
constexpr uint64_t kPiece = 64 * 1024;
constexpr int32_t kWorkers = 8;

// A 200 answer of a gigabyte made while it is sent; framing "length", "chunked" or "close".
Reply GigabyteReply(const std::string& framing, std::shared_ptr<std::atomic<uint64_t>> sent) {
  Reply reply;
  reply.Bytes = "HTTP/1.1 200 OK\r\nContent-Type: image/png\r\n";
  reply.Bytes += framing == "length"    ? "Content-Length: " + std::to_string(kGigabyte) + "\r\n"
                 : framing == "chunked" ? std::string("Transfer-Encoding: chunked\r\n")
                                        : std::string("Connection: close\r\n");
  reply.Bytes += "\r\n";
  reply.End = Reply::Ending::Close;
  const bool chunked = framing == "chunked";
  reply.Tail = [sent, chunked, left = kGigabyte]() mutable -> std::string {
    if (left == 0) {
      return {};
    }
    const uint64_t size = std::min(left, kPiece);
    left -= size;
    *sent += size;
    std::string piece(static_cast<std::size_t>(size), 'x');
    if (!chunked) {
      return piece;
    }
    char sizeLine[32];
    std::snprintf(sizeLine, sizeof sizeLine, "%llx\r\n", static_cast<unsigned long long>(size));
    return sizeLine + piece + "\r\n" + (left == 0 ? "0\r\n\r\n" : "");
  };
  return reply;
}

int MeasureMemory() {
  std::printf("peak memory while a server sends a 1 GB body (cap %zu MB)\n",
              kartovel::kMaxResponseBodyBytes >> 20);
  std::printf("  before any transfer: peak %.1f MB\n", kartovel::bench::PeakResidentMegabytes());
  int status = 0;
  for (const std::string framing : {"chunked", "close", "length"}) {
    auto sent = std::make_shared<std::atomic<uint64_t>>(0);
    kartovel::loopback::HttpServer server(
        [&](const kartovel::loopback::Request&) { return GigabyteReply(framing, sent); });
    auto client = kartovel::CreateCurlHttpClient(kartovel::WorkerRequestProfile());
    std::string body;
    const auto started = std::chrono::steady_clock::now();
    const auto failure =
        client->Get("http://127.0.0.1:" + std::to_string(server.Port()) + "/t.png", body);
    const double seconds = Seconds(std::chrono::steady_clock::now() - started).count();
    server.Stop();
    std::printf(
        "  %-7s: %s in %.3f s; server had sent %.1f MB; body kept %zu bytes; peak %.1f MB\n",
        framing.c_str(), failure ? failure->Message.c_str() : "(success)", seconds,
        static_cast<double>(sent->load()) / (1 << 20), body.size(),
        kartovel::bench::PeakResidentMegabytes());
    if (!failure || !body.empty()) {
      status = 1;
    }
  }
  return status;
}

class EndCounter final : public kartovel::WorkerOwner {
 public:
  void ShowStatus(const kartovel::TDownThread&) override {}
  void RecordFailure(const kartovel::TDownThread&) override {}
  void ReportEnd(const kartovel::TDownThread&) override {
    if (--running == 0) {
      lastEnd = std::chrono::steady_clock::now();
    }
  }
  int running = kWorkers;
  std::chrono::steady_clock::time_point lastEnd;
};

double StopOnce(const std::string& folder) {
  std::atomic<int> requests{0};
  kartovel::loopback::HttpServer server([&](const kartovel::loopback::Request&) {
    ++requests;
    Reply reply;
    reply.Bytes = "HTTP/1.1 200 OK\r\nContent-Length: 1048576\r\n\r\n";
    reply.Tail = [] { return std::string("ab"); };
    reply.TailInterval = std::chrono::seconds(1);
    reply.End = Reply::Ending::Close;
    return reply;
  });
  kartovel::TaskParameters params;
  params.Zoom = 13;
  params.SavePath = folder;
  params.TaskFileName = "stop.qtsk";
  params.TileHost = "127.0.0.1:" + std::to_string(server.Port());
  kartovel::DownloadTask task(params);
  task.MinX = 6735;
  task.MaxX = task.MinX + 7;
  task.MinY = 3086;
  task.MaxY = task.MinY + 7;
  task.TotalCount = 64;
  params.ThreadCount = kWorkers;
  kartovel::ScaledClock noPauses(0);
  kartovel::bench::QueueDispatcher dispatcher;
  EndCounter owner;
  const kartovel::WorkerContext context{owner, dispatcher, noPauses, folder,
                                        kartovel::CreateCurlHttpClient};
  std::vector<std::unique_ptr<kartovel::TDownThread>> workers;
  for (int32_t index = 0; index < kWorkers; ++index) {
    workers.push_back(std::make_unique<kartovel::TDownThread>(false, index, task, context));
  }
  // Every worker is some seconds into its trickle when Stop comes.
  const auto trickling = std::chrono::steady_clock::now() + std::chrono::seconds(3);
  dispatcher.ServeUntil([&] { return std::chrono::steady_clock::now() >= trickling; });
  const auto stoppedAt = std::chrono::steady_clock::now();
  for (auto& worker : workers) {
    worker->RequestStop();
  }
  dispatcher.ServeUntil([&] { return owner.running == 0; });
  workers.clear();
  std::printf("    %d requests trickling; ", requests.load());
  return Seconds(owner.lastEnd - stoppedAt).count();
}

int MeasureStop(int runs, const std::string& folder) {
  std::printf("time from Stop to the end of %d workers, server trickling 2 bytes a second\n",
              kWorkers);
  double longest = 0;
  for (int run = 1; run <= runs; ++run) {
    const double seconds = StopOnce(folder);
    longest = std::max(longest, seconds);
    std::printf("run %d: %.3f s\n", run, seconds);
  }
  std::printf("  longest: %.3f s (target < 1 s)\n", longest);
  return longest < 1.0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  try {
    const kartovel::bench::ScratchFolder scratch;
    // Memory first: the workers' threads would add their stacks to the peak.
    const int memory = MeasureMemory();
    const int stop = MeasureStop(runs, scratch.Path());
    return memory != 0 || stop != 0 ? 1 : 0;
  } catch (const std::exception& error) {
    std::fprintf(stderr, "bench_hostile_server: %s\n", error.what());
    return 1;
  }
}
