// The owner-thread hand-off queue.
#include "common/HandOffQueue.h"

#include <algorithm>

namespace kartovel {

namespace {
// How often ServeUntil looks at a predicate that other threads may make true.
constexpr std::chrono::milliseconds kPredicatePoll{2};
}  // namespace

HandOffQueue::HandOffQueue() : owner_(std::this_thread::get_id()) {}

HandOffQueue::~HandOffQueue() {
  Drop();
  std::unique_lock lock(mutex_);
  done_.wait(lock, [this] { return workersWaiting_ == 0; });
}

void HandOffQueue::RunBlocking(const std::function<void()>& operation) {
  if (OnOwnerThread()) {
    operation();
    return;
  }
  HandOff handOff{&operation, false, nullptr};
  std::unique_lock lock(mutex_);
  if (dropping_) {
    return;
  }
  ++workersWaiting_;
  queue_.push_back(&handOff);
  queued_.notify_all();
  done_.wait(lock, [&] { return handOff.Done || dropping_; });
  --workersWaiting_;
  done_.notify_all();
  if (handOff.Error) {
    std::rethrow_exception(handOff.Error);
  }
}

HandOffQueue::HandOff* HandOffQueue::Next(TimePoint deadline) {
  std::unique_lock lock(mutex_);
  if (!queued_.wait_until(lock, deadline, [this] { return !queue_.empty(); })) {
    return nullptr;
  }
  HandOff* next = queue_.front();
  queue_.pop_front();
  return next;
}

void HandOffQueue::Run(HandOff& handOff) {
  std::exception_ptr error;
  try {
    (*handOff.Operation)();
  } catch (...) {
    error = std::current_exception();
  }
  std::lock_guard lock(mutex_);
  handOff.Error = error;
  handOff.Done = true;
  done_.notify_all();
}

std::size_t HandOffQueue::RunPending() {
  std::deque<HandOff*> pending;
  {
    std::lock_guard lock(mutex_);
    pending.swap(queue_);
  }
  for (HandOff* handOff : pending) {
    Run(*handOff);
  }
  return pending.size();
}

void HandOffQueue::ServeUntil(TimePoint deadline) {
  while (std::chrono::steady_clock::now() < deadline) {
    if (HandOff* next = Next(deadline)) {
      Run(*next);
    }
  }
}

bool HandOffQueue::ServeUntil(const std::function<bool()>& predicate, TimePoint deadline) {
  while (!predicate()) {
    const auto now = std::chrono::steady_clock::now();
    if (now >= deadline) {
      return false;
    }
    if (HandOff* next = Next(std::min(deadline, now + kPredicatePoll))) {
      Run(*next);
    }
  }
  return true;
}

std::size_t HandOffQueue::Pending() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

void HandOffQueue::Drop() {
  std::lock_guard lock(mutex_);
  dropping_ = true;
  queue_.clear();
  done_.notify_all();
}

}  // namespace kartovel
