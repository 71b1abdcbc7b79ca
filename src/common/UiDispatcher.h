// The blocking hand-off from a worker thread to the user-interface thread.
#pragma once

#include <functional>

namespace kartovel {

class UiDispatcher {
 public:
  virtual ~UiDispatcher() = default;
  // Runs the operation on the user-interface thread and returns when it has run.
  virtual void RunBlocking(const std::function<void()>& operation) = 0;
};

}  // namespace kartovel
