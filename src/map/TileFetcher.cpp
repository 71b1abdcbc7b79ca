// The fetch threads: take the most wanted tile, look in the cache, else GET it.
#include "map/TileFetcher.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <string_view>
#include <utility>

#include "download/FetchPipeline.h"
#include "task/TileContent.h"

namespace kartovel {
namespace {

constexpr std::chrono::milliseconds kConnectTimeout{5000};
constexpr std::chrono::milliseconds kStallLimit{10000};

// A map window draws PNG, JPEG and WebP tiles; anything else (an error page, a quota
// notice) is a tile that cannot be had, and is never cached.
bool IsMapTileImage(std::string_view body) {
  return IsPngImage(body) || IsJpegImage(body) || IsWebpImage(body);
}

// A map window asks once: a tile that cannot be had now is asked for again when the view
// wants it again.
const FailureTable& MapFailureTable() {
  static const FailureTable table;
  return table;
}

HttpClientOptions MapWindowProfile(HttpClientOptions options) {
  options.ConnectTimeout = std::min(options.ConnectTimeout, kConnectTimeout);
  options.StallLimit = std::min(options.StallLimit, kStallLimit);
  return options;
}

}  // namespace

TileFetcher::TileFetcher(TileSource source, std::shared_ptr<TileDiskCache> cache,
                         HttpClientFactory makeClient, Delivery deliver, int32_t connections)
    : source_(std::move(source)),
      cache_(std::move(cache)),
      makeClient_(std::move(makeClient)),
      deliver_(std::move(deliver)) {
  source_.Request = MapWindowProfile(source_.Request);
  source_.Request.Stop = stop_.get_token();
  for (int32_t i = 0; i < std::max(connections, 1); ++i) {
    threads_.emplace_back([this] { Serve(); });
  }
}

TileFetcher::~TileFetcher() {
  {
    std::lock_guard lock(mutex_);
    waiting_.clear();
  }
  // Wakes the threads waiting for a wish (the wait below holds the token) and ends the
  // requests under way.
  stop_.request_stop();
  for (std::thread& thread : threads_) {
    thread.join();
  }
}

void TileFetcher::Want(const std::vector<TileId>& tiles) {
  {
    std::lock_guard lock(mutex_);
    waiting_.clear();
    // A tile delivered since the last wish may be named again by a window that had not
    // taken the delivery yet (it reaches the window later, through its event loop): it is
    // not fetched twice.
    for (const TileId& tile : tiles) {
      if (!underWay_.contains(tile) && !deliveredSinceWish_.contains(tile)) {
        waiting_.push_back(tile);
      }
    }
    deliveredSinceWish_.clear();
  }
  wanted_.notify_all();
}

void TileFetcher::Discard(const TileId& tile) {
  if (cache_) {
    cache_->Erase(CacheKeyOf(tile));
  }
}

std::string TileFetcher::CacheKeyOf(const TileId& tile) const {
  const std::string& name = source_.CacheName.empty() ? source_.Name : source_.CacheName;
  return TileDiskCache::TileKey(name, tile.Zoom, tile.X, tile.Y);
}

std::optional<TileId> TileFetcher::NextTile() {
  std::unique_lock lock(mutex_);
  const std::stop_token stop = stop_.get_token();
  wanted_.wait(lock, stop, [this] { return !waiting_.empty(); });
  if (stop.stop_requested()) {
    return std::nullopt;
  }
  const TileId tile = waiting_.front();
  waiting_.pop_front();
  underWay_.insert(tile);
  return tile;
}

void TileFetcher::Serve() {
  // Each thread has its own client, made at its first fetch and kept for keep-alive.
  std::unique_ptr<HttpClient> client;
  while (const std::optional<TileId> tile = NextTile()) {
    std::optional<std::string> bytes;
    try {
      bytes = Fetch(*tile, client);
    } catch (const std::exception&) {
      client.reset();  // a client that could not be made is tried again for the next tile
    }
    {
      std::lock_guard lock(mutex_);
      underWay_.erase(*tile);
      deliveredSinceWish_.insert(*tile);
    }
    try {
      deliver_(*tile, std::move(bytes));
    } catch (...) {
      // Nothing may leave a thread; a window that cannot take a tile simply lacks it.
    }
  }
}

std::optional<std::string> TileFetcher::Fetch(const TileId& tile,
                                              std::unique_ptr<HttpClient>& client) {
  const std::string key = CacheKeyOf(tile);
  if (cache_) {
    if (std::optional<std::string> cached = cache_->Read(key)) {
      return cached;
    }
  }
  if (!source_.FetchRefusal.empty()) {
    return std::nullopt;
  }
  if (!client) {
    client = makeClient_(source_.Request);
  }
  const FetchRequest request{
      source_.TileUrl(tile.X, tile.Y, tile.Zoom),
      [](const std::string& body) {
        return IsMapTileImage(body) ? std::nullopt
                                    : std::optional<HttpFailure>(HttpFailure("no map tile image"));
      },
      [this, &key](std::string& body) {
        if (cache_ && body.size() <= kMaxCachedTileBytes) {
          cache_->Write(key, body);
        }
      }};
  FetchResult result = FetchPipeline(*client, MapFailureTable(), clock_, stop_.get_token())
                           .Fetch(request);
  if (result.Result == FetchResult::Outcome::StoreFailed) {
    std::rethrow_exception(result.StoreError);
  }
  if (result.Result != FetchResult::Outcome::Stored) {
    return std::nullopt;
  }
  return std::move(result.Body);
}

}  // namespace kartovel
