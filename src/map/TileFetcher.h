// Fetches the tiles a map window wants to show, from the disk cache or else from the
// source's tile service, over a fixed number of connections (a thread and an HTTP client
// each). The window says which tiles it wants now, most wanted first; a new list replaces
// the tiles still waiting, so panning never queues tiles that left the view. Each tile
// is delivered once, with its bytes or as failed, on a fetch thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <stop_token>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "common/Clock.h"
#include "download/HttpClient.h"
#include "geometry/TileId.h"
#include "map/TileDiskCache.h"
#include "map/TileSource.h"

namespace kartovel {

class TileFetcher {
 public:
  static constexpr int32_t kDefaultConnections = 2;
  // A body larger than this is shown but not cached, so a few huge answers never push
  // the good tiles out of the cache.
  static constexpr size_t kMaxCachedTileBytes = TileDiskCache::kMaxEntryBytes;

  // Called on a fetch thread with the tile's bytes, or none when it could not be had.
  using Delivery = std::function<void(const TileId& tile, std::optional<std::string> bytes)>;

  // The source's request profile is used with shorter time-outs: a map window waits for
  // a stalled tile only briefly, and closing it waits for the fetches under way.
  TileFetcher(TileSource source, std::shared_ptr<TileDiskCache> cache, HttpClientFactory makeClient,
              Delivery deliver, int32_t connections = kDefaultConnections);
  // Drops the waiting tiles, ends the requests under way and waits for their threads.
  ~TileFetcher();
  TileFetcher(const TileFetcher&) = delete;
  TileFetcher& operator=(const TileFetcher&) = delete;

  // The tiles wanted now, most wanted first; tiles under way, and tiles delivered since
  // the last wish, are not asked for again.
  void Want(const std::vector<TileId>& tiles);
  // Drops a tile's cached bytes (the window could not decode them).
  void Discard(const TileId& tile);

  std::string CacheKeyOf(const TileId& tile) const;

 private:
  void Serve();
  std::optional<TileId> NextTile();
  std::optional<std::string> Fetch(const TileId& tile, std::unique_ptr<HttpClient>& client);

  TileSource source_;
  std::shared_ptr<TileDiskCache> cache_;
  HttpClientFactory makeClient_;
  Delivery deliver_;
  ScaledClock clock_;  // the fetch's; the map window's failure table has no pause

  std::stop_source stop_;  // the fetcher's end: the threads' waits and their clients
  std::mutex mutex_;
  std::condition_variable_any wanted_;
  std::deque<TileId> waiting_;
  std::set<TileId> underWay_;
  std::set<TileId> deliveredSinceWish_;
  std::vector<std::thread> threads_;  // last: started once the members above exist
};

}  // namespace kartovel
