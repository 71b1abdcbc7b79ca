// The stop signals' handlers. A signal handler can only reach static storage, so the
// flag is the one program-wide value here: lock-free, set by the handler, read by the loop.
#include "cli/StopSignals.h"

#include <signal.h>
#include <unistd.h>

#include <atomic>

#include "cli/CliArguments.h"

namespace kartovel::cli {

namespace {

std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

struct sigaction previousInterrupt {};
struct sigaction previousTerminate {};

extern "C" void OnStopSignal(int /*signal*/) {
  if (stopRequested.exchange(true)) {
    _exit(kExitStopped);  // the second signal: at once, nothing more is written
  }
}

}  // namespace

StopSignals::StopSignals() {
  stopRequested.store(false);
  struct sigaction action {};
  action.sa_handler = OnStopSignal;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInterrupt);
  sigaction(SIGTERM, &action, &previousTerminate);
}

StopSignals::~StopSignals() {
  sigaction(SIGINT, &previousInterrupt, nullptr);
  sigaction(SIGTERM, &previousTerminate, nullptr);
}

bool StopSignals::Requested() {
  return stopRequested.load();
}

}  // namespace kartovel::cli
