// A clock for tests that never waits: it records every pause asked of it, in order, and
// can run a hook at each pause (to request a stop at a chosen moment, for instance).
#pragma once

#include <chrono>
#include <functional>
#include <mutex>
#include <vector>

#include "common/Clock.h"

namespace kartovel::testing {

class FakeClock final : public Clock {
 public:
  using Hook = std::function<void(std::chrono::milliseconds)>;

  void Sleep(std::chrono::milliseconds span) override;
  std::chrono::milliseconds RealSpan(std::chrono::milliseconds) const override {
    return std::chrono::milliseconds(0);
  }

  // Runs on the sleeping thread after the pause is recorded, outside the clock's lock.
  void SetHook(Hook hook);
  std::vector<std::chrono::milliseconds> Sleeps() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::chrono::milliseconds> sleeps_;
  Hook hook_;
};

}  // namespace kartovel::testing
