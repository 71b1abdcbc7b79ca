// A download run below the windows: from a request to its task, its files, its workers
// and its one-second monitor, to the closing lines. One run at a time; each Start begins
// a new one and the last task stays current until the next Start builds another.
//
// Threads: everything here runs on the user-interface thread. The workers reach the run
// only through the WorkerOwner hand-offs, which the Platform runs on that thread while the
// worker waits; the owner hears of every change through its RunSink, on that thread too.
//
// The owner ticks the run once per TickInterval() while MonitorRunning(), and serves the
// workers' hand-offs in between.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>

#include "common/Clock.h"
#include "common/LineFile.h"
#include "common/Platform.h"
#include "common/StopFlag.h"
#include "download/HttpClient.h"
#include "download/TileValidatorIndex.h"
#include "download/RefusalDetector.h"
#include "download/unit3.h"
#include "engine/RunRequest.h"
#include "engine/RunSink.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// Creates a worker of a run; the program's creates a running TDownThread. Tests can
// inject one that fails, as the platform might when it cannot start a thread.
using WorkerFactory = std::function<std::unique_ptr<TDownThread>(int32_t index, DownloadTask& task,
                                                                 WorkerContext context)>;
std::unique_ptr<TDownThread> CreateRunningWorker(int32_t index, DownloadTask& task,
                                                 WorkerContext context);

class Run final : public WorkerOwner {
 public:
  // platform, clock and sink must outlive the run.
  Run(Platform& platform, Clock& clock, HttpClientFactory makeClient, WorkerFactory makeWorker,
      RunSink& sink);
  // Shutdown(), for a run still active.
  ~Run() override;
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  // The request's checks, the continue test and the replace question, the task, its
  // files and panes, the workers and the monitor. False when nothing started (the sink
  // heard why). Errors of the files escape, as from any handler.
  bool Start(const RunRequest& request);
  // Asks every worker of the run to stop and says so in the log; the monitor ends the run
  // once the last one has reported its end. During the writing of the tile list (from a
  // RunSink::ListWriting call) it ends that writing instead: the run does not start.
  void Stop();
  // Asked while the tile list is written, as Stop is (the command line's signals).
  void SetStopRequest(std::stop_token stop);
  // One second of the monitor: every fifth tick the panes and then the positions are
  // saved; the first tick without a running worker ends the run.
  void Tick();

  // True from the creation of a run's first worker until the tick that ends the run.
  bool Active() const;
  bool MonitorRunning() const { return monitorRunning_; }
  // From the start of the tile list's writing until it has ended.
  bool WritingList() const { return listWriting_; }
  // The real time between two ticks (one second of program time).
  std::chrono::milliseconds TickInterval() const;
  // Stops a run still active, serves its last hand-offs through
  // Platform::ProcessPendingEvents and joins its workers. The program ends the process
  // instead (nothing waits for the workers); tests and the command line's end use this.
  void Shutdown();

  // The log and the failed-tile records of the run, as their files receive them.
  const Lines& Log() const { return log_; }
  const Lines& FailedRecords() const { return failed_; }

  // ---- The run's state, read by the front ends ----
  int32_t RunningWorkerCount = 0;  // started workers that have not reported their end
  std::array<std::unique_ptr<TDownThread>, kWorkerSlots> WorkerTable;
  std::unique_ptr<TaskParameters> CurrentParameters;  // of the latest checked request
  std::unique_ptr<DownloadTask> CurrentTask;          // of the latest Start that built one
  int32_t MonitorTicks = 0;
  RunProgress Progress;

  // ---- WorkerOwner: the workers' hand-offs ----
  void ShowStatus(const TDownThread& worker) override;
  void RecordFailure(const TDownThread& worker) override;
  void ReportEnd(const TDownThread& worker) override;

 private:
  // Makes params current while keeping the record the current task refers to alive.
  void ReplaceCurrentParameters(std::unique_ptr<TaskParameters> params);
  bool BuildTask();
  // False when the start ended (the sink heard why): a stopped tile list.
  bool StartWorkers();
  bool WriteRunFiles(DownloadTask& task);
  void WatchListWriting(DownloadTask& task);
  // Saved positions that are not tiles of their worker's share are forgotten, one log
  // line each: such a worker starts its share from the beginning.
  void DropUntrustedResumePositions();
  void CreateWorkers();
  // The panes are saved before the positions, so that a position on disk never runs
  // ahead of the log lines and failed-tile records of the tiles it covers.
  void SavePanes();
  void SaveWorkerPositions();
  // Writes the validators noted since the last save; a failure is logged once and the
  // run goes on (the tiles are kept, only a later refresh asks for them whole).
  void CommitValidators();
  void EndRun();
  void StartProgress();
  void UpdateRate();
  // Notes the first worker that ends before its share of the run is done.
  void NoteEarlyEnd(const TDownThread& worker);
  // Once the workers have seen a storm of refusals: the explanation in the log and to
  // the owner, once.
  void AnnounceRefusalStorm();
  void AppendLog(std::string line);
  void SetMonitor(bool running);

  Platform& platform_;
  Clock& clock_;
  HttpClientFactory makeClient_;
  WorkerFactory makeWorker_;
  RunSink& sink_;
  bool monitorRunning_ = false;
  StopFlag stop_;  // the user's Stop of this run (and of its tile list); renewed by each start
  std::stop_token outsideStop_;  // the owner's stop (a job's, a signal's), when it has one
  bool listWriting_ = false;
  bool listShown_ = false;
  Lines log_;
  Lines failed_;
  // The record CurrentTask refers to, once a later Start replaced CurrentParameters
  // without building a task (a refused request keeps the previous task current).
  std::unique_ptr<TaskParameters> currentTaskParameters_;
  // The worker positions this run has written to the task file (0: none yet).
  std::array<std::pair<int32_t, int32_t>, kWorkerSlots> writtenPositions_{};
  // Per worker of this run: tiles settled, and its last failure line.
  std::array<int32_t, kWorkerSlots> settledByWorker_{};
  std::array<std::string, kWorkerSlots> lastFailureByWorker_;
  // The last failure line of the lowest-numbered worker that ended early in this run,
  // and its index (kWorkerSlots: none).
  std::string endedEarly_;
  int32_t endedEarlyIndex_ = kWorkerSlots;
  // What the server said of the tiles this run stored (none when it cannot be kept).
  std::unique_ptr<TileValidatorIndex> validators_;
  bool validatorFailureLogged_ = false;
  // The refusals the run's workers met, counted across them; renewed by each start and
  // kept until the next, so its workers may refer to it as long as they live.
  std::unique_ptr<RefusalDetector> refusals_;
  std::string refusedByServer_;  // the announced explanation in one line
};

}  // namespace kartovel
