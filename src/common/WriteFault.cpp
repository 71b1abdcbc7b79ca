// The write-step seam: one process-wide handler slot, empty in the program.
#include "common/WriteFault.h"

#include <atomic>

namespace kartovel {
namespace {

// The only process-wide value of the core: a test program sets it before any write.
std::atomic<WriteStepHandler>& HandlerSlot() {
  static std::atomic<WriteStepHandler> slot{nullptr};
  return slot;
}

}  // namespace

void SetWriteStepHandler(WriteStepHandler handler) {
  HandlerSlot().store(handler);
}

void ReachWriteStep(const std::string& fileName, WriteStep step) {
  if (const WriteStepHandler handler = HandlerSlot().load(std::memory_order_relaxed)) {
    handler(fileName, step);
  }
}

}  // namespace kartovel
