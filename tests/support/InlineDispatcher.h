// A hand-off for tests without a user-interface thread: the operation runs on the calling
// worker's thread under one lock, so hand-offs of several workers never overlap, as they
// would not on a real user-interface thread.
#pragma once

#include <functional>
#include <mutex>

#include "common/UiDispatcher.h"

namespace kartovel::testing {

class InlineDispatcher final : public UiDispatcher {
 public:
  void RunBlocking(const std::function<void()>& operation) override {
    const std::lock_guard lock(mutex_);
    operation();
  }

 private:
  std::mutex mutex_;
};

}  // namespace kartovel::testing
