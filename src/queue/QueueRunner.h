// Runs the queue's jobs one after the other, each as one engine job (a run per zoom), and
// writes every change of a job's state (and its progress every few ticks) to the queue's
// file, so that a restart or a kill loses nothing: a job left "running" is continued from
// its task files by the next runner, as the same Start would continue it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>

#include "common/Clock.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "engine/Job.h"
#include "engine/ProgramSettings.h"
#include "engine/RunSink.h"
#include "queue/QueueFile.h"
#include "queue/QueueRunLock.h"

namespace kartovel {

class QueueRunner final : private RunSink {
 public:
  // owner hears every run's events; the sentences of a damaged queue file, a job that
  // could not start and a file error come to it as a Refused message. stop, once
  // requested, stops the current job (it waits again) and starts no other.
  // Everything given must outlive the runner.
  QueueRunner(Platform& platform, Clock& clock, HttpClientFactory makeClient,
              WorkerFactory makeWorker, ProgramSettings settings, QueueStore& store,
              RunSink& owner, std::stop_token stop = {});
  ~QueueRunner() override;
  QueueRunner(const QueueRunner&) = delete;
  QueueRunner& operator=(const QueueRunner&) = delete;

  // Starts the first job that still has to run; nothing when there is none, or when
  // another program runs the queue (LockRefused, said to the owner).
  void Start();
  bool LockRefused() const { return lockRefused_; }
  // One second of the current job; once it has ended, the next one starts.
  void Tick();
  // Stops the current job, which waits again in its place; no further job starts.
  void Stop();
  // Stops the current job for good: it ends as "stopped" (paused) and the next starts.
  void StopCurrent(JobState endedAs);

  bool Active() const { return job_ != nullptr; }
  std::optional<int32_t> CurrentJobId() const;
  // Every job given up on (stopped by the user, ended) in this runner's life.
  int32_t JobsEnded() const { return jobsEnded_; }
  bool Stopped() const { return stopped_; }
  std::chrono::milliseconds TickInterval() const;
  // The worst outcome of the jobs ended: 0 all done, 1 one ended with failures.
  bool AnyFailed() const { return anyFailed_; }

 private:
  void StartNext();
  void StartJob(const QueueJob& job);
  void EndJob();
  void SaveCurrent(const std::function<void(QueueJob&)>& change);
  void Tell(const std::string& sentence);

  // ---- RunSink: forwarded to the owner, with the queue's bookkeeping ----
  void Refused(const RequestFault& fault) override;
  bool Confirm(const std::string& question) override { return owner_.Confirm(question); }
  void LogReplaced(const Lines& log) override { owner_.LogReplaced(log); }
  void LogLine(const std::string& line) override { owner_.LogLine(line); }
  void FailedReplaced(const Lines& records) override { owner_.FailedReplaced(records); }
  void FailedRecord(const std::string& record) override { owner_.FailedRecord(record); }
  void RunStarted(const DownloadTask& task) override;
  void ListWriting(std::optional<int32_t> percent) override { owner_.ListWriting(percent); }
  void ProgressChanged(const RunProgress& progress) override;
  void MonitorChanged(bool running) override { owner_.MonitorChanged(running); }
  void Ticked(const RunProgress& progress, int32_t ticks) override;
  void RunEnded(const RunSummary& summary) override;

  Platform& platform_;
  Clock& clock_;
  HttpClientFactory makeClient_;
  WorkerFactory makeWorker_;
  ProgramSettings settings_;
  QueueStore& store_;
  RunSink& owner_;
  std::stop_token stop_;
  std::optional<QueueJob> current_;
  bool failures_ = false;      // a run of the current job ended short of every tile
  std::string refusal_;        // why a run of the current job did not start
  std::optional<JobState> endedAs_;  // the user's verdict on the current job, if any
  bool stopped_ = false;
  bool lockRefused_ = false;
  std::unique_ptr<QueueRunLock> lock_;  // taken by Start
  bool anyFailed_ = false;
  int32_t jobsEnded_ = 0;
  std::unique_ptr<Job> job_;  // last: its shutdown still reaches the members above
};

}  // namespace kartovel
