// Runs one after another.
#include "engine/Job.h"

#include <utility>

namespace kartovel {

Job::Job(Platform& platform, Clock& clock, HttpClientFactory makeClient, WorkerFactory makeWorker,
         std::vector<RunRequest> requests, RunSink& owner, std::stop_token stop)
    : requests_(std::move(requests)),
      owner_(owner),
      stop_(std::move(stop)),
      run_(platform, clock, std::move(makeClient), std::move(makeWorker), *this) {
  run_.SetStopRequest(stop_);
}

void Job::Start() {
  StartNext();
}

void Job::Start(std::vector<RunRequest> requests) {
  requests_ = std::move(requests);
  next_ = 0;
  current_ = 0;
  stopped_ = false;
  refused_ = false;
  StartNext();
}

void Job::Tick() {
  if (run_.Active()) {
    run_.Tick();
  }
  if (!run_.Active()) {
    StartNext();
  }
}

void Job::Stop() {
  stopped_ = true;
  if (run_.MonitorRunning() || run_.WritingList()) {
    run_.Stop();
  }
}

bool Job::Active() const {
  return run_.Active() || MoreToStart();
}

bool Job::MoreToStart() const {
  return !stopped_ && !refused_ && !refusedByServer_ && next_ < requests_.size();
}

void Job::StartNext() {
  if (!MoreToStart()) {
    return;
  }
  if (stop_.stop_requested()) {
    stopped_ = true;
    return;
  }
  current_ = next_++;
  // A start that fails half way (a worker that could not be created) still has a run
  // to end; only a run that is not active at all refuses the job.
  try {
    run_.Start(requests_[current_]);
  } catch (...) {
    refused_ = !run_.Active();
    throw;
  }
  refused_ = !run_.Active();
  // A start ended by the stop request (its tile list) is a stopped job, not a refused one.
  if (refused_ && stop_.stop_requested()) {
    refused_ = false;
    stopped_ = true;
  }
}

void Job::RunEnded(const RunSummary& summary) {
  RunSummary ended = summary;
  ended.Stopped = ended.Stopped || stopped_;
  refusedByServer_ = refusedByServer_ || !ended.RefusedByServer.empty();
  owner_.RunEnded(ended);
}

}  // namespace kartovel
