// A job: runs carried out one after another on one Run, in the order given (the command
// line's zoom range is one job; a queue of a front end would be another). The next run
// starts on the tick that ended the previous one, unless the job was stopped or a run
// could not start.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <vector>

#include "common/Clock.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "engine/Run.h"
#include "engine/RunRequest.h"
#include "engine/RunSink.h"

namespace kartovel {

class Job final : private RunSink {
 public:
  // owner hears every run's events (a run's end with Stopped set when the job was
  // stopped during it); stop, once requested, starts no further run (it is looked at
  // before each run starts).
  // platform, clock and owner must outlive the job.
  Job(Platform& platform, Clock& clock, HttpClientFactory makeClient, WorkerFactory makeWorker,
      std::vector<RunRequest> requests, RunSink& owner, std::stop_token stop = {});

  // Starts the first run. Errors of its files escape, as from any handler.
  void Start();
  // Starts the first run of another list, for a front end that keeps one job for all its
  // Starts; the earlier list must have ended (not Active()).
  void Start(std::vector<RunRequest> requests);
  // One second of the current run's monitor; once the run has ended, the next starts.
  void Tick();
  // Stops the current run (as its Stop button would, its tile list's writing included)
  // and starts no other.
  void Stop();

  // True while a run is active or another is still to start.
  bool Active() const;
  bool Stopped() const { return stopped_; }
  // A run of the list did not start; the rest were not tried.
  bool RunRefused() const { return refused_; }
  // A run was paused by a storm of refusals: the job starts no further run, since the
  // server would refuse it too.
  bool RefusedByServer() const { return refusedByServer_; }
  // The position in the list of the current (or last) run.
  size_t CurrentIndex() const { return current_; }
  size_t RunCount() const { return requests_.size(); }
  const Run& CurrentRun() const { return run_; }
  Run& CurrentRun() { return run_; }
  std::chrono::milliseconds TickInterval() const { return run_.TickInterval(); }

 private:
  void StartNext();
  bool MoreToStart() const;

  // ---- RunSink: forwarded to the owner ----
  void Refused(const RequestFault& fault) override { owner_.Refused(fault); }
  bool Confirm(const std::string& question) override { return owner_.Confirm(question); }
  void LogReplaced(const Lines& log) override { owner_.LogReplaced(log); }
  void LogLine(const std::string& line) override { owner_.LogLine(line); }
  void FailedReplaced(const Lines& records) override { owner_.FailedReplaced(records); }
  void FailedRecord(const std::string& record) override { owner_.FailedRecord(record); }
  void RunStarted(const DownloadTask& task) override { owner_.RunStarted(task); }
  void ListWriting(std::optional<int32_t> percent) override { owner_.ListWriting(percent); }
  void ProgressChanged(const RunProgress& progress) override { owner_.ProgressChanged(progress); }
  void MonitorChanged(bool running) override { owner_.MonitorChanged(running); }
  void Ticked(const RunProgress& progress, int32_t ticks) override {
    owner_.Ticked(progress, ticks);
  }
  void ServerRefused(const std::string& what, const std::string& advice) override {
    owner_.ServerRefused(what, advice);
  }
  void RunEnded(const RunSummary& summary) override;

  std::vector<RunRequest> requests_;
  RunSink& owner_;
  std::stop_token stop_;
  size_t next_ = 0;
  size_t current_ = 0;
  bool stopped_ = false;
  bool refusedByServer_ = false;
  bool refused_ = false;
  Run run_;  // last: its shutdown still reaches the members above
};

}  // namespace kartovel
