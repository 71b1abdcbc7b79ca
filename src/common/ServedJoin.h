// Ending a window's worker thread from the window's own thread: the worker may be waiting in a
// hand-off that only this thread serves, so a plain join could wait for ever.
#pragma once

#include <atomic>
#include <thread>

#include "common/Platform.h"

namespace kartovel {

// Serves the platform's pending events until done is set, then joins thread. Nothing
// happens when thread is not joinable.
void JoinServingEvents(std::thread& thread, const std::atomic<bool>& done, Platform& platform);

}  // namespace kartovel
