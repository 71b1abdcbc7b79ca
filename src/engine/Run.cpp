// A download run: start, the workers' hand-offs, the monitor and the end.
#include "engine/Run.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <thread>
#include <variant>
#include <vector>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "common/Locale.h"
#include "engine/RefusalStormText.h"
#include "engine/ResumePolicy.h"
#include "engine/TaskDifferences.h"
#include "engine/TaskValidatorIndex.h"
#include "task/TaskFileKeys.h"

namespace kartovel {

namespace {

constexpr int32_t kTicksBetweenSaves = 5;
constexpr std::chrono::milliseconds kTickInterval{1000};
// A tile list written faster than this shows no progress.
constexpr std::chrono::seconds kListProgressAfter{1};

// How long a shutdown serves the hand-offs of a stopped run before it joins.
constexpr std::chrono::seconds kShutdownServeLimit{5};

// A report of several lines as one line, for the progress line.
std::string OneLine(std::string text) {
  std::replace_if(
      text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
  std::string joined;
  for (const char c : text) {
    if (!(c == ' ' && !joined.empty() && joined.back() == ' ')) {
      joined += c;
    }
  }
  return joined;
}

int32_t WorkersOf(const DownloadTask& task) {
  return std::min(task.Params.ThreadCount, kWorkerSlots);
}

}  // namespace

std::unique_ptr<TDownThread> CreateRunningWorker(int32_t index, DownloadTask& task,
                                                 WorkerContext context) {
  return std::make_unique<TDownThread>(false, index, task, std::move(context));
}

Run::Run(Platform& platform, Clock& clock, HttpClientFactory makeClient, WorkerFactory makeWorker,
         RunSink& sink)
    : platform_(platform),
      clock_(clock),
      makeClient_(std::move(makeClient)),
      makeWorker_(std::move(makeWorker)),
      sink_(sink) {}

Run::~Run() {
  Shutdown();
}

void Run::Shutdown() {
  const bool anyWorker = std::any_of(WorkerTable.begin(), WorkerTable.end(),
                                     [](const auto& worker) { return worker != nullptr; });
  if (!anyWorker) {
    return;
  }
  for (auto& worker : WorkerTable) {
    if (worker) {
      worker->RequestStop();
    }
  }
  // A worker waits in its hand-offs until this thread serves them, so they are served
  // before the workers are joined. This waits on other threads, not on program time,
  // hence the plain short sleep rather than the clock.
  const auto deadline = std::chrono::steady_clock::now() + kShutdownServeLimit;
  while (RunningWorkerCount > 0 && std::chrono::steady_clock::now() < deadline) {
    platform_.ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  for (auto& worker : WorkerTable) {
    worker.reset();
  }
}

bool Run::Active() const {
  return monitorRunning_ || std::any_of(WorkerTable.begin(), WorkerTable.end(),
                                        [](const auto& worker) { return worker != nullptr; });
}

std::chrono::milliseconds Run::TickInterval() const {
  return clock_.RealSpan(kTickInterval);
}

// ---- Start ----

bool Run::Start(const RunRequest& request) {
  auto checked = CheckRequest(request);
  if (const auto* fault = std::get_if<RequestFault>(&checked)) {
    sink_.Refused(*fault);
    return false;
  }
  auto params = std::get<TaskParameters>(std::move(checked));
  RunningWorkerCount = 0;
  params.ContinueTask = ContinuesEarlierRun(request, params);
  // A fresh run rewrites the task file, its list, log and failed-tile file: the earlier
  // run's progress and failed records would be lost without a word.
  // A request that differs in nothing but a name typed without ".qtsk" continues.
  if (!params.ContinueTask && FileExists(params.SavePath + params.TaskFileName)) {
    const std::vector<std::string> differences = TaskDifferences(request, params);
    if (differences.empty()) {
      params.ContinueTask = true;
    } else if (!sink_.Confirm(ReplaceQuestion(params.TaskFileName, differences))) {
      return false;
    }
  }
  ReplaceCurrentParameters(std::make_unique<TaskParameters>(std::move(params)));
  if (!BuildTask()) {
    return false;
  }
  return StartWorkers();
}

void Run::SetStopRequest(std::stop_token stop) {
  outsideStop_ = std::move(stop);
}

void Run::WatchListWriting(DownloadTask& task) {
  const auto started = std::chrono::steady_clock::now();
  task.ListWatch.StopRequested = [this] {
    return stop_.load() || outsideStop_.stop_requested();
  };
  // Shown once the writing has taken a second; a shorter one passes unseen as before.
  task.ListWatch.Progress = [this, started](int32_t percent) {
    if (std::chrono::steady_clock::now() - started >= kListProgressAfter) {
      listShown_ = true;
      sink_.ListWriting(percent);
    }
  };
}

bool Run::WriteRunFiles(DownloadTask& task) {
  WatchListWriting(task);
  listWriting_ = true;
  listShown_ = false;
  // However the writing ends, the watch goes and a shown progress is taken down.
  struct EndOfWriting {
    Run& run;
    DownloadTask& task;
    ~EndOfWriting() {
      run.listWriting_ = false;
      task.ListWatch = {};
      if (run.listShown_) {
        run.sink_.ListWriting(std::nullopt);
      }
    }
  } end{*this, task};
  try {
    task.WriteRunFiles();
    return true;
  } catch (const ListWriteStopped& stopped) {
    sink_.Refused({std::string(stopped.what()) + " The next Start begins the task afresh."});
    return false;
  }
}

void Run::ReplaceCurrentParameters(std::unique_ptr<TaskParameters> params) {
  if (CurrentTask && &CurrentTask->Params == CurrentParameters.get()) {
    currentTaskParameters_ = std::move(CurrentParameters);
  }
  CurrentParameters = std::move(params);
}

bool Run::BuildTask() {
  std::unique_ptr<DownloadTask> task;
  try {
    task = std::make_unique<DownloadTask>(*CurrentParameters);
  } catch (const AppError& refusal) {
    sink_.Refused({refusal.what()});
    sink_.Refused({"Error: Create task failure."});
    return false;
  }
  CurrentTask = std::move(task);
  currentTaskParameters_.reset();
  if (CurrentTask->TotalCount < CurrentParameters->ThreadCount) {
    CurrentParameters->ThreadCount = CurrentTask->TotalCount;
  }
  return true;
}

bool Run::StartWorkers() {
  DownloadTask& task = *CurrentTask;
  stop_.Renew();
  if (!WriteRunFiles(task)) {
    return false;
  }
  log_ = ReadLines(task.LogFileName);
  sink_.LogReplaced(log_);
  failed_ = ReadLines(task.FailedFileName);
  sink_.FailedReplaced(failed_);
  DropUntrustedResumePositions();
  validators_ = OpenTaskValidatorIndex(task, [this](std::string line) { AppendLog(std::move(line)); });
  validatorFailureLogged_ = false;
  sink_.RunStarted(task);
  StartProgress();
  writtenPositions_.fill({0, 0});
  settledByWorker_.fill(0);
  lastFailureByWorker_.fill("");
  endedEarly_.clear();
  endedEarlyIndex_ = kWorkerSlots;
  refusals_ = std::make_unique<RefusalDetector>();
  refusedByServer_.clear();
  CreateWorkers();
  SetMonitor(true);
  MonitorTicks = 0;
  return true;
}

void Run::DropUntrustedResumePositions() {
  DownloadTask& task = *CurrentTask;
  for (int32_t i = 0; i < WorkersOf(task); ++i) {
    if (!task.ResumePositionFits(i)) {
      AppendLog("T" + std::to_string(i + 1) + ": the saved position " +
                std::to_string(task.ResumeX[i]) + "," + std::to_string(task.ResumeY[i]) +
                " is not a tile of its share; it starts its share from the beginning.");
      task.ForgetResumePosition(i);
    }
  }
}

void Run::CreateWorkers() {
  DownloadTask& task = *CurrentTask;
  const WorkerContext context{*this,        platform_,         clock_,
                              platform_.ProgramFolder(), makeClient_, validators_.get(),
                              refusals_.get()};
  for (int32_t i = 0; i < WorkersOf(task); ++i) {
    try {
      WorkerTable[i] = makeWorker_(i, task, context);
    } catch (...) {
      // The workers already running are asked to stop and the monitor ends the run as
      // after a Stop, so the front end is ready again once they have reported their end.
      for (auto& worker : WorkerTable) {
        if (worker) {
          worker->RequestStop();
        }
      }
      SetMonitor(true);
      MonitorTicks = 0;
      throw;
    }
    ++RunningWorkerCount;
  }
}

void Run::Stop() {
  if (listWriting_) {
    stop_.Request();  // the list's writing asks at its next megabyte
    return;
  }
  if (!CurrentTask) {
    return;
  }
  stop_.Request();
  for (int32_t i = 0; i < WorkersOf(*CurrentTask); ++i) {
    if (WorkerTable[i]) {
      WorkerTable[i]->RequestStop();
    }
    AppendLog("Thread" + std::to_string(i + 1) + "will be terminated by user. please wait...");
  }
}

// ---- The monitor ----

void Run::Tick() {
  ++MonitorTicks;
  UpdateRate();
  if (!CurrentTask) {
    return;
  }
  AnnounceRefusalStorm();
  if (MonitorTicks % kTicksBetweenSaves == 0) {
    SavePanes();
    SaveWorkerPositions();
  }
  if (RunningWorkerCount == 0) {
    EndRun();
    return;
  }
  sink_.Ticked(Progress, MonitorTicks);
}

void Run::SavePanes() {
  SaveLines(CurrentTask->LogFileName, log_);
  SaveLines(CurrentTask->FailedFileName, failed_);
}

void Run::SaveWorkerPositions() {
  // The tiles the positions cover are made durable first, so that a position on disk never
  // runs ahead of them.
  CurrentTask->TileWrites.SyncPending();
  CommitValidators();
  // Every write replaces the task file durably, so a value this run already wrote there
  // is not written again (a finished worker's position, the ending after a fifth tick).
  // All the positions go in one replace: a kill never leaves a column without its row.
  std::vector<IniEntry> entries;
  auto written = writtenPositions_;
  for (int32_t i = 0; i < WorkersOf(*CurrentTask); ++i) {
    if (!WorkerTable[i]) {
      continue;
    }
    const auto [lastX, lastY] = WorkerTable[i]->LastPosition();
    auto& [writtenX, writtenY] = written[i];
    if (lastX > 0 && lastX != writtenX) {
      entries.push_back({taskfile::WorkerColumnKey(i + 1), std::to_string(lastX)});
      writtenX = lastX;
    }
    if (lastY > 0 && lastY != writtenY) {
      entries.push_back({taskfile::WorkerRowKey(i + 1), std::to_string(lastY)});
      writtenY = lastY;
    }
  }
  if (entries.empty()) {
    return;
  }
  TIniFile(CurrentTask->TaskFilePath()).WriteStrings(taskfile::kThreadsSection, entries);
  writtenPositions_ = written;
}

void Run::CommitValidators() {
  if (validators_ && !validators_->Commit() && !validatorFailureLogged_) {
    validatorFailureLogged_ = true;
    AppendLog(validators_->FailureText() + "; the servers' tile versions are not kept.");
  }
}

void Run::AnnounceRefusalStorm() {
  if (!refusals_ || !refusedByServer_.empty()) {
    return;
  }
  const std::optional<RefusalStorm> storm = refusals_->Storm();
  if (!storm) {
    return;
  }
  const MapSource* source = CurrentTask->SourceInUse();
  const MapSource shown = source ? *source : BuiltInMapSource();
  const std::string since = LocalTimeText(storm->Since);
  const int32_t workers = WorkersOf(*CurrentTask);
  const std::string what = RefusalStormWhat(*storm, since);
  const std::string advice = RefusalStormAdvice(shown, workers);
  refusedByServer_ = RefusalStormLine(*storm, since, shown, workers);
  AppendLog(what);
  AppendLog(advice);
  sink_.ServerRefused(what, advice);
}

void Run::EndRun() {
  AnnounceRefusalStorm();
  SetMonitor(false);
  AppendLog("");
  AppendLog(std::string(32, '-'));
  AppendLog("Task Stoped!");
  AppendLog("");
  AppendLog("Now time:" + NowText());
  AppendLog("");
  AppendLog("Log file has been saved as " + CurrentTask->LogFileName);

  // A failed save must not leave the run half ended: every step is tried, the workers
  // are destroyed and the owner told, and the first error is reported at the end.
  // The positions are written only after both panes were saved, as on a fifth tick.
  std::exception_ptr firstError;
  const auto attempt = [&firstError](const auto& step) {
    try {
      step();
      return true;
    } catch (...) {
      if (!firstError) {
        firstError = std::current_exception();
      }
      return false;
    }
  };
  const bool logSaved = attempt([this] { SaveLines(CurrentTask->LogFileName, log_); });
  const bool failedSaved = attempt([this] { SaveLines(CurrentTask->FailedFileName, failed_); });
  if (logSaved && failedSaved) {
    attempt([this] { SaveWorkerPositions(); });
  }
  for (auto& worker : WorkerTable) {
    worker.reset();
  }
  Progress.SecondsLeft.reset();
  Progress.EndedEarly = endedEarly_;
  sink_.RunEnded(
      {CurrentTask->TaskFilePath(), Progress, failed_.size(), stop_.load(), refusedByServer_});
  if (firstError) {
    std::rethrow_exception(firstError);
  }
}

// ---- Progress ----

void Run::StartProgress() {
  Progress = RunProgress{};
  Progress.TotalCount = CurrentTask->TotalCount;
  Progress.SettledCount = ResumedSettledCount(*CurrentTask);
  sink_.ProgressChanged(Progress);
}

void Run::UpdateRate() {
  if (!monitorRunning_) {
    return;
  }
  Progress.ElapsedSeconds = MonitorTicks;
  const double perSecond = MonitorTicks > 0 ? double(Progress.SettledThisRun) / MonitorTicks : 0;
  Progress.TilesPerMinute = perSecond * 60;
  const int32_t remaining = std::max(0, Progress.TotalCount - Progress.SettledCount);
  if (perSecond > 0) {
    Progress.SecondsLeft = static_cast<int64_t>(std::ceil(remaining / perSecond));
  } else {
    Progress.SecondsLeft.reset();
  }
  sink_.ProgressChanged(Progress);
}

// ---- The workers' hand-offs ----

void Run::ShowStatus(const TDownThread& worker) {
  AppendLog(worker.StatusText);
  const bool ownWorker = worker.Index >= 0 && worker.Index < kWorkerSlots;
  if (ownWorker && worker.LastReportKind == ReportKind::Failure) {
    lastFailureByWorker_[worker.Index] = worker.StatusText;
  }
  if (worker.LastReportKind == ReportKind::Fetched || worker.LastReportKind == ReportKind::Blank) {
    if (ownWorker) {
      ++settledByWorker_[worker.Index];
    }
    ++Progress.SettledCount;
    ++Progress.SettledThisRun;
    Progress.BlankCount += worker.LastReportKind == ReportKind::Blank ? 1 : 0;
    sink_.ProgressChanged(Progress);
  }
}

void Run::RecordFailure(const TDownThread& worker) {
  failed_.push_back(worker.StatusText);
  sink_.FailedRecord(failed_.back());
  ++Progress.FailedCount;
  sink_.ProgressChanged(Progress);
}

void Run::ReportEnd(const TDownThread& worker) {
  --RunningWorkerCount;
  NoteEarlyEnd(worker);
}

void Run::NoteEarlyEnd(const TDownThread& worker) {
  // Workers that fail alike end in any order: the line names the first by number.
  // A storm of refusals is told as such, not as workers that ended early.
  if (worker.Index >= endedEarlyIndex_ || worker.StopRequested.load() || !CurrentTask ||
      worker.Index < 0 || (refusals_ && refusals_->StormSeen())) {
    return;
  }
  if (settledByWorker_[worker.Index] >= ShareThisRun(*CurrentTask, worker.Index)) {
    return;
  }
  const std::string& failure = lastFailureByWorker_[worker.Index];
  endedEarlyIndex_ = worker.Index;
  endedEarly_ = failure.empty()
                    ? "T" + std::to_string(worker.Index + 1) + " ended before its tiles were done."
                    : OneLine(failure);
}

void Run::AppendLog(std::string line) {
  log_.push_back(std::move(line));
  sink_.LogLine(log_.back());
}

void Run::SetMonitor(bool running) {
  if (monitorRunning_ == running) {
    return;
  }
  monitorRunning_ = running;
  sink_.MonitorChanged(running);
}

}  // namespace kartovel
