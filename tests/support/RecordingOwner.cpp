// The recording stand-in for the main window's side of the workers.
#include "support/RecordingOwner.h"

#include <algorithm>
#include <utility>

namespace kartovel::testing {

void RecordingOwner::ShowStatus(const TDownThread& worker) {
  Add(HandOffKind::ShowStatus, worker, worker.StatusText);
}

void RecordingOwner::RecordFailure(const TDownThread& worker) {
  Add(HandOffKind::RecordFailure, worker, worker.StatusText);
}

void RecordingOwner::ReportEnd(const TDownThread& worker) {
  Add(HandOffKind::ReportEnd, worker, "");
}

void RecordingOwner::Add(HandOffKind kind, const TDownThread& worker, std::string text) {
  const std::lock_guard lock(mutex_);
  events_.push_back({kind, worker.Index, std::move(text), worker.LastReportKind});
}

std::vector<HandOffEvent> RecordingOwner::Events() const {
  const std::lock_guard lock(mutex_);
  return events_;
}

std::vector<std::string> RecordingOwner::LogLines() const {
  std::vector<std::string> lines;
  for (const HandOffEvent& event : Events()) {
    if (event.Kind == HandOffKind::ShowStatus) {
      lines.push_back(event.Text);
    }
  }
  return lines;
}

std::vector<std::string> RecordingOwner::FailedLines() const {
  std::vector<std::string> lines;
  for (const HandOffEvent& event : Events()) {
    if (event.Kind == HandOffKind::RecordFailure) {
      lines.push_back(event.Text);
    }
  }
  return lines;
}

std::vector<std::string> RecordingOwner::LogLinesOf(int32_t index) const {
  std::vector<std::string> lines;
  for (const HandOffEvent& event : Events()) {
    if (event.Kind == HandOffKind::ShowStatus && event.Index == index) {
      lines.push_back(event.Text);
    }
  }
  return lines;
}

int RecordingOwner::EndCount(int32_t index) const {
  const std::vector<HandOffEvent> events = Events();
  return static_cast<int>(std::count_if(events.begin(), events.end(), [index](const auto& e) {
    return e.Kind == HandOffKind::ReportEnd && e.Index == index;
  }));
}

}  // namespace kartovel::testing
