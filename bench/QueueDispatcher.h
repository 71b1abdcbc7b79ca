// The user-interface thread of the program, reduced to its hand-off queue: workers wait
// until the benchmark's main thread has run their operation, as with a blocking queued call.
#pragma once

#include <chrono>
#include <functional>

#include "common/HandOffQueue.h"
#include "common/UiDispatcher.h"

namespace kartovel::bench {

// The constructing thread serves the hand-offs.
class QueueDispatcher final : public UiDispatcher {
 public:
  void RunBlocking(const std::function<void()>& operation) override {
    handOffs_.RunBlocking(operation);
  }

  // Runs hand-offs on the calling thread until the predicate holds.
  void ServeUntil(const std::function<bool()>& finished) {
    while (
        !handOffs_.ServeUntil(finished, std::chrono::steady_clock::now() + std::chrono::hours(1))) {
    }
  }

 private:
  HandOffQueue handOffs_;
};

}  // namespace kartovel::bench
