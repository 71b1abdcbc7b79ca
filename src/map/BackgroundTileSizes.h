// Tile sizes for an estimate shown in a window: the window must not wait for the service,
// so the tiles it wants weighed are fetched one after the other on a thread of their own,
// and a look-up never blocks: a size is there once its tile has been fetched.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <stop_token>
#include <thread>
#include <vector>

#include "geometry/TileId.h"
#include "map/JobEstimate.h"

namespace kartovel {

class BackgroundTileSizes {
 public:
  // Makes the blocking probe, given the stop that ends its fetch under way (a probe's
  // client takes it as its request's stop).
  using ProbeMaker = std::function<TileSizeProbe(std::stop_token)>;

  // arrived is called on the sampling thread after each tile that was looked up, whether
  // its size could be had or not; it must only hand the news over.
  BackgroundTileSizes(ProbeMaker makeProbe, std::function<void()> arrived);
  // Stops the fetch under way and waits for the thread.
  ~BackgroundTileSizes();
  BackgroundTileSizes(const BackgroundTileSizes&) = delete;
  BackgroundTileSizes& operator=(const BackgroundTileSizes&) = delete;

  // A tile's size once it has been looked up (none inside: it could not be had); none
  // before.
  std::optional<std::optional<uint64_t>> Lookup(const TileId& tile) const;
  // The tiles to weigh now, in order; they replace the tiles still waiting from an
  // earlier wish (an area drawn anew needs other tiles). Tiles looked up already, and
  // the one being fetched, are not asked for again.
  void Want(const std::vector<TileId>& tiles);

 private:
  void Sample(std::stop_token stop, TileSizeProbe probe);

  std::function<void()> arrived_;
  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  std::deque<TileId> waiting_;
  std::optional<TileId> underWay_;
  std::map<TileId, std::optional<uint64_t>> looked_;  // none: could not be had
  std::jthread thread_;  // last: it stops and joins before the members above go
};

}  // namespace kartovel
