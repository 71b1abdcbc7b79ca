// The stop signals' watcher: a thread that takes them with sigwait, so no handler runs
// and nothing but the command's stop source is touched when one arrives.
#include "common/StopSignals.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>


namespace kartovel {

namespace {

sigset_t StopSignalSet() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  return signals;
}

// Takes the signals still pending, so that restoring the mask delivers none of them to
// their default action (which would end the program with another status).
void DropPendingSignals(const sigset_t& signals) {
  const timespec none{};
  while (sigtimedwait(&signals, nullptr, &none) > 0 || errno == EINTR) {
  }
}

}  // namespace

StopSignals::StopSignals() {
  const sigset_t signals = StopSignalSet();
  pthread_sigmask(SIG_BLOCK, &signals, &previousMask_);
  watcher_ = std::jthread([this](const std::stop_token& end) { Watch(end); });
}

StopSignals::~StopSignals() {
  // The watcher waits in sigwait: a signal sent to that thread alone wakes it, and it
  // sees its end requested before it looks at what arrived.
  watcher_.request_stop();
  pthread_kill(watcher_.native_handle(), SIGTERM);
  watcher_.join();
  const sigset_t signals = StopSignalSet();
  DropPendingSignals(signals);
  // A command stopped by a signal is ending: a signal that follows belongs to the same stop
  // and stays blocked, rather than ending the program with another status (143 for SIGTERM)
  // after its stop had already finished.
  if (!stop_.stop_requested()) {
    pthread_sigmask(SIG_SETMASK, &previousMask_, nullptr);
  }
}

void StopSignals::Watch(const std::stop_token& end) {
  const sigset_t signals = StopSignalSet();
  for (;;) {
    int signal = 0;
    if (sigwait(&signals, &signal) != 0) {
      continue;
    }
    if (end.stop_requested()) {
      return;
    }
    if (!stop_.request_stop()) {
      _exit(kStoppedBySignalStatus);  // the second signal: at once, nothing more is written
    }
  }
}

}  // namespace kartovel
