// Sampled tile sizes fetched on a thread of their own.
#include "map/BackgroundTileSizes.h"

#include <utility>

namespace kartovel {

BackgroundTileSizes::BackgroundTileSizes(ProbeMaker makeProbe, std::function<void()> arrived)
    : arrived_(std::move(arrived)) {
  thread_ = std::jthread([this, makeProbe = std::move(makeProbe)](std::stop_token stop) {
    Sample(stop, makeProbe(stop));
  });
}

BackgroundTileSizes::~BackgroundTileSizes() {
  thread_.request_stop();
}

std::optional<std::optional<uint64_t>> BackgroundTileSizes::Lookup(const TileId& tile) const {
  const std::lock_guard lock(mutex_);
  if (const auto found = looked_.find(tile); found != looked_.end()) {
    return found->second;
  }
  return std::nullopt;
}

void BackgroundTileSizes::Want(const std::vector<TileId>& tiles) {
  {
    const std::lock_guard lock(mutex_);
    waiting_.clear();
    for (const TileId& tile : tiles) {
      if (!looked_.contains(tile) && underWay_ != tile) {
        waiting_.push_back(tile);
      }
    }
  }
  wake_.notify_one();
}

void BackgroundTileSizes::Sample(std::stop_token stop, TileSizeProbe probe) {
  std::unique_lock lock(mutex_);
  while (wake_.wait(lock, stop, [this] { return !waiting_.empty(); })) {
    const TileId tile = waiting_.front();
    waiting_.pop_front();
    underWay_ = tile;
    lock.unlock();
    // The fetch is bounded by the probe's own time limits and ends at the stop.
    std::optional<uint64_t> size;
    try {
      size = probe ? probe(tile.X, tile.Y, tile.Zoom) : std::nullopt;
    } catch (...) {
      // A tile whose size cannot be had leaves the estimate without it, nothing more.
    }
    if (stop.stop_requested()) {
      return;
    }
    lock.lock();
    looked_[tile] = size;
    underWay_.reset();
    lock.unlock();
    arrived_();
    lock.lock();
  }
}

}  // namespace kartovel
