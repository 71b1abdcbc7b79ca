// Blocking hand-offs from worker threads to one owner thread that serves them in a
// loop of its own: the user-interface thread of a front end without a windowing system
// (the command line, the tests). A worker's call returns once the owner has run its
// operation; the owner's own calls run at once.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace kartovel {

class HandOffQueue {
 public:
  using TimePoint = std::chrono::steady_clock::time_point;

  // The constructing thread is the owner.
  HandOffQueue();
  // Drops what is queued and waits until no worker is left inside RunBlocking.
  ~HandOffQueue();
  HandOffQueue(const HandOffQueue&) = delete;
  HandOffQueue& operator=(const HandOffQueue&) = delete;

  bool OnOwnerThread() const { return std::this_thread::get_id() == owner_; }

  // Runs the operation on the owner thread and returns when it has run, rethrowing what
  // it threw. Once dropping, returns at once without running it.
  void RunBlocking(const std::function<void()>& operation);

  // Owner thread only. Runs the operations queued at this moment; returns how many ran.
  std::size_t RunPending();
  // Runs hand-offs as they arrive until the deadline.
  void ServeUntil(TimePoint deadline);
  // Runs hand-offs until the predicate holds (checked after every operation and every
  // few milliseconds) or the deadline passed; the predicate's last value.
  bool ServeUntil(const std::function<bool()>& predicate, TimePoint deadline);

  std::size_t Pending() const;
  // Owner thread only. From now on hand-offs are dropped: queued ones release their
  // workers, later ones return at once. For a program that ends while workers report.
  void Drop();

 private:
  struct HandOff {
    const std::function<void()>* Operation = nullptr;
    bool Done = false;
    std::exception_ptr Error;
  };
  // The oldest queued hand-off, waiting up to the deadline; null on time-out.
  HandOff* Next(TimePoint deadline);
  void Run(HandOff& handOff);

  const std::thread::id owner_;
  mutable std::mutex mutex_;
  std::condition_variable queued_;
  std::condition_variable done_;
  std::deque<HandOff*> queue_;
  int workersWaiting_ = 0;
  bool dropping_ = false;
};

}  // namespace kartovel
