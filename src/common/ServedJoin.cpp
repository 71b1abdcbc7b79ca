// Ending a window's worker thread while serving what it hands to this thread.
#include "common/ServedJoin.h"

#include <chrono>

namespace kartovel {

void JoinServingEvents(std::thread& thread, const std::atomic<bool>& done, Platform& platform) {
  if (!thread.joinable()) {
    return;
  }
  // This waits on another thread, not on program time, hence the plain short sleep.
  while (!done.load()) {
    platform.ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  thread.join();
}

}  // namespace kartovel
