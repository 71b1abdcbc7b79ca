// SIGINT and SIGTERM as the Stop button of a program without a window (kartovel-cli,
// combine): the first one requests the command's stop (its loop then presses Stop), a second
// one ends the program at once with exit status 130; a run's files then hold what its last
// fifth tick wrote.
#pragma once

#include <signal.h>

#include <stop_token>
#include <thread>

namespace kartovel {

// The exit status of a program stopped by a signal, as shells report Ctrl+C.
inline constexpr int kStoppedBySignalStatus = 130;

class StopSignals {
 public:
  // Blocks both signals in the calling thread, and so in every thread started after it,
  // and starts the thread that waits for them. Made before any other thread of the
  // program; one at a time. The destructor ends that thread and restores the mask.
  StopSignals();
  ~StopSignals();
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

  // Requested by the first signal.
  std::stop_token Token() const { return stop_.get_token(); }

 private:
  void Watch(const std::stop_token& end);

  sigset_t previousMask_{};
  std::stop_source stop_;
  std::jthread watcher_;  // last: it reaches the members above
};

}  // namespace kartovel
