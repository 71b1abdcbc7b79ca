// The main window's estimate line under the zoom row, worked out away from the
// user-interface thread: counting a shape's tiles and fetching the few tiles a size is
// sampled from take time, and typing must never wait for them. The latest request wins:
// one asked while another is worked out stops the older one at its next tile.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <variant>

#include "app/RequestEstimate.h"

namespace kartovel {

struct EstimateShown {
  std::string Line;     // the line itself: one zoom, or a range's total, and the free space
  std::string Details;  // every zoom's line, the total and the free space (the line's hint)
};

// The line before the area is typed.
inline constexpr char kNoAreaYet[] =
    "Type the area to see its tiles, size and time here.";

// What the line says of an estimate.
EstimateShown EstimateLineOf(const JobEstimate& estimate);

// The window's own estimate of a job, or of the sentence why the boxes name none: the
// sizes sampled, through the map windows' cache.
EstimateShown EstimateForWindow(const std::variant<RequestedJob, std::string>& job,
                                HttpClientFactory makeClient, std::shared_ptr<TileDiskCache> cache,
                                std::stop_token stop);

class BackgroundEstimate {
 public:
  // Works out what the line shows; stop is requested once newer work is asked.
  using Work = std::function<EstimateShown(std::stop_token)>;

  BackgroundEstimate();
  // Stops the work in hand and waits for it.
  ~BackgroundEstimate();
  BackgroundEstimate(const BackgroundEstimate&) = delete;
  BackgroundEstimate& operator=(const BackgroundEstimate&) = delete;

  // The work to do next, in place of any still waiting or in hand.
  void Ask(Work work);
  // The answer to the latest job asked, once it is there; each answer is taken once.
  std::optional<EstimateShown> TakeAnswer();
  // True from an Ask until its answer is there.
  bool Busy() const;

 private:
  void Serve(std::stop_token end);

  mutable std::mutex mutex_;
  std::condition_variable_any wake_;
  Work waiting_;
  std::optional<EstimateShown> answer_;
  uint64_t asked_ = 0;     // works asked so far
  uint64_t answered_ = 0;  // the number of the last work whose answer is there
  std::stop_source inHand_;
  std::jthread thread_;  // last: it starts once the members above exist
};

}  // namespace kartovel
