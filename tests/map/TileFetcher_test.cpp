// The map window's tile fetch against a loopback tile service: the source's profile over
// at most two connections, the cache in front, failures delivered as such, and a new
// wish replacing the tiles still waiting.
#include "map/TileFetcher.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <stdexcept>

#include "common/Error.h"
#include "support/LoopbackReplies.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"

namespace kartovel {
namespace {

using namespace std::chrono_literals;
using testing::LoopbackServer;
using testing::Reply;
using testing::Request;

std::string TilePath(int32_t x, int32_t y, int32_t zoom) {
  return "/t/" + std::to_string(zoom) + "/" + std::to_string(x) + "/" + std::to_string(y);
}

// A tile's body: a PNG's start, then the tile's path, so that each tile is its own.
std::string EchoBody(const std::string& path) {
  return testing::PngStart(256, 256) + path;
}

// Answers every tile with an image that carries its own path.
LoopbackServer::Options EchoService() {
  LoopbackServer::Options options;
  options.DefaultReply = [](const Request& request) {
    return testing::StatusReply(200, EchoBody(request.Target()));
  };
  return options;
}

TileSource SourceOn(const LoopbackServer& server) {
  TileSource source;
  source.Name = "Loopback";
  source.TileUrl = [&server](int32_t x, int32_t y, int32_t zoom) {
    return server.Url(TilePath(x, y, zoom));
  };
  source.Request = WorkerRequestProfile();
  return source;
}

// Collects deliveries; every wait is bounded.
class Deliveries {
 public:
  TileFetcher::Delivery Sink() {
    return [this](const TileId& tile, std::optional<std::string> bytes) {
      std::lock_guard lock(mutex_);
      got_[tile] = std::move(bytes);
      ++count_;
      arrived_.notify_all();
    };
  }
  bool WaitFor(size_t count) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, 10s, [&] { return count_ >= count; });
  }
  std::map<TileId, std::optional<std::string>> Got() {
    std::lock_guard lock(mutex_);
    return got_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::map<TileId, std::optional<std::string>> got_;
  size_t count_ = 0;
};

std::vector<TileId> Row(int32_t zoom, int32_t y, int32_t columns) {
  std::vector<TileId> tiles;
  for (int32_t x = 0; x < columns; ++x) {
    tiles.push_back(TileId{zoom, x, y});
  }
  return tiles;
}

TEST(TileFetcherTest, TilesComeFromTheServiceOverTwoConnectionsAndLaterFromTheCache) {
  testing::Sandbox box;
  LoopbackServer server(EchoService());
  auto cache = std::make_shared<TileDiskCache>(box.Path("cache"));
  const std::vector<TileId> wanted = Row(5, 7, 12);
  {
    Deliveries deliveries;
    TileFetcher fetcher(SourceOn(server), cache, CreateCurlHttpClient, deliveries.Sink());
    fetcher.Want(wanted);
    ASSERT_TRUE(deliveries.WaitFor(wanted.size()));
    for (const auto& [tile, bytes] : deliveries.Got()) {
      EXPECT_EQ(bytes, EchoBody(TilePath(tile.X, tile.Y, tile.Zoom)));
    }
  }
  EXPECT_EQ(server.RequestCount(), wanted.size());
  EXPECT_LE(server.ConnectionCount(), 2);
  const Request first = server.Requests().front();
  EXPECT_EQ(first.Header("User-Agent"), WorkerRequestProfile().UserAgent);
  EXPECT_EQ(first.Header("Accept"), "text/html, */*");

  Deliveries again;
  TileFetcher fetcher(SourceOn(server), cache, CreateCurlHttpClient, again.Sink());
  fetcher.Want(wanted);
  ASSERT_TRUE(again.WaitFor(wanted.size()));
  EXPECT_EQ(again.Got().at(TileId{5, 3, 7}), EchoBody(TilePath(3, 7, 5)));
  EXPECT_EQ(server.RequestCount(), wanted.size());
}

TEST(TileFetcherTest, ATileThatCannotBeHadIsDeliveredAsFailedAndNotCached) {
  testing::Sandbox box;
  // Column x of the wanted row fails in the x-th way, whichever connection asks.
  const std::vector<Reply> failures = {
      testing::StatusReply(404), testing::StatusReply(503),         testing::ResetReply(),
      testing::CloseReply(),     testing::ShortBodyReply("ab", 10), testing::StatusReply(200, "")};
  LoopbackServer::Options options;
  options.DefaultReply = [&failures](const Request& request) {
    for (size_t x = 0; x < failures.size(); ++x) {
      if (request.Target() == TilePath(static_cast<int32_t>(x), 1, 4)) {
        return failures[x];
      }
    }
    return testing::StatusReply(500);
  };
  LoopbackServer server(std::move(options));
  auto cache = std::make_shared<TileDiskCache>(box.Path("cache"));
  Deliveries deliveries;
  TileFetcher fetcher(SourceOn(server), cache, CreateCurlHttpClient, deliveries.Sink());
  fetcher.Want(Row(4, 1, static_cast<int32_t>(failures.size())));
  ASSERT_TRUE(deliveries.WaitFor(failures.size()));
  for (const auto& [tile, bytes] : deliveries.Got()) {
    EXPECT_FALSE(bytes) << "tile " << tile.X;
  }
  EXPECT_EQ(cache->Count(), 0u);
}

TEST(TileFetcherTest, AClientThatCannotBeMadeFailsItsTilesWithoutEndingTheFetch) {
  LoopbackServer server;
  Deliveries deliveries;
  const HttpClientFactory refusing = [](const HttpClientOptions&) -> std::unique_ptr<HttpClient> {
    throw AppError("no handle");
  };
  TileFetcher fetcher(SourceOn(server), nullptr, refusing, deliveries.Sink());
  fetcher.Want(Row(3, 0, 4));
  ASSERT_TRUE(deliveries.WaitFor(4));
  EXPECT_EQ(deliveries.Got().size(), 4u);
  EXPECT_EQ(server.RequestCount(), 0u);
}

TEST(TileFetcherTest, ANewWishReplacesTheTilesStillWaiting) {
  LoopbackServer server(EchoService());
  server.Enqueue(testing::DelayedReply(testing::StatusReply(200, "slow"), 300ms));
  Deliveries deliveries;
  TileFetcher fetcher(SourceOn(server), nullptr, CreateCurlHttpClient, deliveries.Sink(), 1);
  fetcher.Want(Row(2, 0, 3));
  ASSERT_TRUE(server.WaitForRequests(1, 5s));
  fetcher.Want({TileId{2, 3, 3}, TileId{2, 0, 0}});  // the first is under way already
  ASSERT_TRUE(deliveries.WaitFor(2));
  const std::vector<Request> requests = server.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Target(), TilePath(0, 0, 2));
  EXPECT_EQ(requests[1].Target(), TilePath(3, 3, 2));
}

TEST(TileFetcherTest, OnlyAnImageOfAtMost2MBIsCachedSoHugeOrWrongAnswersKeepTheGoodTiles) {
  const std::string huge = testing::PngStart(256, 256) + std::string(3 << 20, 'h');
  const struct {
    int32_t x;
    std::string body;
    bool delivered;
    bool cached;
  } cases[] = {
      {0, EchoBody("good"), true, true},
      {1, "<html>over quota</html>", false, false},
      {2, huge, true, false},
      {3, "", false, false},
      {4, EchoBody("also good"), true, true},
  };
  testing::Sandbox box;
  LoopbackServer::Options options;
  options.DefaultReply = [&cases](const Request& request) {
    for (const auto& c : cases) {
      if (request.Target() == TilePath(c.x, 0, 3)) {
        return testing::StatusReply(200, c.body);
      }
    }
    return testing::StatusReply(404);
  };
  LoopbackServer server(std::move(options));
  // Room for the two good tiles and one huge answer at most.
  auto cache = std::make_shared<TileDiskCache>(box.Path("cache"), 4u << 20);
  Deliveries deliveries;
  {
    TileFetcher fetcher(SourceOn(server), cache, CreateCurlHttpClient, deliveries.Sink());
    fetcher.Want(Row(3, 0, static_cast<int32_t>(std::size(cases))));
    ASSERT_TRUE(deliveries.WaitFor(std::size(cases)));
  }
  for (const auto& c : cases) {
    const TileId tile{3, c.x, 0};
    EXPECT_EQ(deliveries.Got().at(tile).has_value(), c.delivered) << c.x;
    const auto cached = cache->Read(TileDiskCache::TileKey("Loopback", 3, c.x, 0));
    EXPECT_EQ(cached.has_value(), c.cached) << c.x;
    if (c.cached) {
      EXPECT_EQ(*cached, c.body);
    }
  }
  EXPECT_EQ(cache->Count(), 2u);
}

}  // namespace
}  // namespace kartovel
