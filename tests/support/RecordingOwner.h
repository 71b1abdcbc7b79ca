// A stand-in for the main window in worker tests: records every hand-off of every worker
// in the order they arrived (log lines, failed-tile records, end notices).
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "download/unit3.h"

namespace kartovel::testing {

enum class HandOffKind { ShowStatus, RecordFailure, ReportEnd };

struct HandOffEvent {
  HandOffKind Kind;
  int32_t Index;
  std::string Text;  // the worker's StatusText at the time (empty for ReportEnd)
  ReportKind Report;
};

class RecordingOwner final : public WorkerOwner {
 public:
  void ShowStatus(const TDownThread& worker) override;
  void RecordFailure(const TDownThread& worker) override;
  void ReportEnd(const TDownThread& worker) override;

  std::vector<HandOffEvent> Events() const;
  // The log pane and the failed-tile pane as the window would hold them.
  std::vector<std::string> LogLines() const;
  std::vector<std::string> FailedLines() const;
  // Log lines of one worker only, in order.
  std::vector<std::string> LogLinesOf(int32_t index) const;
  int EndCount(int32_t index) const;

 private:
  void Add(HandOffKind kind, const TDownThread& worker, std::string text);

  mutable std::mutex mutex_;
  std::vector<HandOffEvent> events_;
};

}  // namespace kartovel::testing
