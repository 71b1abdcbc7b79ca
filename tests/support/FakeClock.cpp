// The test clock that records pauses instead of waiting.
#include "support/FakeClock.h"

#include <utility>

namespace kartovel::testing {

void FakeClock::Sleep(std::chrono::milliseconds span) {
  Hook hook;
  {
    const std::lock_guard lock(mutex_);
    sleeps_.push_back(span);
    hook = hook_;
  }
  if (hook) {
    hook(span);
  }
}

void FakeClock::SetHook(Hook hook) {
  const std::lock_guard lock(mutex_);
  hook_ = std::move(hook);
}

std::vector<std::chrono::milliseconds> FakeClock::Sleeps() const {
  const std::lock_guard lock(mutex_);
  return sleeps_;
}

}  // namespace kartovel::testing
