// Tile sizes weighed off the caller's thread: a look-up never waits, a wish replaces the
// tiles still waiting, what was looked up (had or not) is never fetched again, and the
// end stops a fetch under way at once.
#include "map/BackgroundTileSizes.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace kartovel {
namespace {

using namespace std::chrono_literals;

// A probe whose fetches wait until the test lets them through (or the stop comes): the
// size of tile (x, y) is 100 * x, none for x = 0.
class GatedProbe {
 public:
  BackgroundTileSizes::ProbeMaker Maker() {
    return [this](std::stop_token stop) -> TileSizeProbe {
      return [this, stop](int32_t x, int32_t y, int32_t zoom) -> std::optional<uint64_t> {
        std::unique_lock lock(mutex_);
        asked_.push_back({zoom, x, y});
        changed_.notify_all();
        changed_.wait(lock, stop, [this] { return open_ > 0; });
        if (stop.stop_requested()) {
          return std::nullopt;
        }
        --open_;
        return x == 0 ? std::nullopt : std::optional<uint64_t>(100 * x);
      };
    };
  }
  void Let(int count) {
    const std::lock_guard lock(mutex_);
    open_ += count;
    changed_.notify_all();
  }
  bool WaitAsked(std::size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, 5s, [&] { return asked_.size() >= count; });
  }
  std::vector<TileId> Asked() {
    const std::lock_guard lock(mutex_);
    return asked_;
  }

 private:
  std::mutex mutex_;
  std::condition_variable_any changed_;
  std::vector<TileId> asked_;
  int open_ = 0;
};

TEST(BackgroundTileSizesTest, WeighsTheWishOffTheCallersThreadNeverTwiceAndTheEndStopsAFetch) {
  GatedProbe probe;
  std::atomic<int> arrivals{0};
  std::optional<BackgroundTileSizes> sizes;
  sizes.emplace(probe.Maker(), [&] { ++arrivals; });
  sizes->Want({{5, 1, 1}, {5, 2, 1}, {5, 3, 1}});
  ASSERT_TRUE(probe.WaitAsked(1));  // (1, 1) is under way, held by the gate
  EXPECT_EQ(sizes->Lookup({5, 1, 1}), std::nullopt);
  // A new wish replaces (2, 1) and (3, 1), which still wait; (1, 1) is not asked again.
  sizes->Want({{5, 1, 1}, {5, 0, 1}, {5, 4, 1}});
  probe.Let(3);
  const auto limit = std::chrono::steady_clock::now() + 5s;
  while (arrivals < 3 && std::chrono::steady_clock::now() < limit) {
    std::this_thread::sleep_for(1ms);
  }
  ASSERT_EQ(arrivals, 3);
  EXPECT_EQ(sizes->Lookup({5, 4, 1}), std::optional<std::optional<uint64_t>>(400));
  // Looked up and not had: known as such, and not fetched again.
  EXPECT_EQ(sizes->Lookup({5, 0, 1}), std::make_optional(std::optional<uint64_t>()));
  EXPECT_EQ(sizes->Lookup({5, 2, 1}), std::nullopt);
  sizes->Want({{5, 0, 1}, {5, 1, 1}, {5, 4, 1}, {5, 9, 9}});
  ASSERT_TRUE(probe.WaitAsked(4));  // only (9, 9), held by the gate until the end
  const auto start = std::chrono::steady_clock::now();
  sizes.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
  EXPECT_EQ(probe.Asked(), (std::vector<TileId>{{5, 1, 1}, {5, 0, 1}, {5, 4, 1}, {5, 9, 9}}));
}

}  // namespace
}  // namespace kartovel
