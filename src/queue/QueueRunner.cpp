// The queue's runs, one job after the other.
#include "queue/QueueRunner.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "common/Error.h"
#include "task/TaskFile.h"

namespace kartovel {

namespace {

// The progress reaches the file every fifth tick, as the task's own positions do.
constexpr int32_t kTicksPerSave = 5;

bool EveryTileFetched(const RunSummary& summary) {
  const RunProgress& run = summary.Progress;
  return run.SettledCount >= run.TotalCount && run.BlankCount == 0 && summary.FailedRecords == 0;
}

}  // namespace

QueueRunner::QueueRunner(Platform& platform, Clock& clock, HttpClientFactory makeClient,
                         WorkerFactory makeWorker, ProgramSettings settings, QueueStore& store,
                         RunSink& owner, std::stop_token stop)
    : platform_(platform),
      clock_(clock),
      makeClient_(std::move(makeClient)),
      makeWorker_(std::move(makeWorker)),
      settings_(std::move(settings)),
      store_(store),
      owner_(owner),
      stop_(std::move(stop)) {}

QueueRunner::~QueueRunner() = default;

void QueueRunner::Start() {
  lock_ = std::make_unique<QueueRunLock>(store_.FilePath());
  if (!lock_->Held()) {
    lockRefused_ = true;
    Tell("The queue " + store_.FilePath() + " is being run by another program; it runs one job at a time.");
    return;
  }
  // A damaged file is said and set aside once, before the runs write the file again.
  try {
    for (const std::string& problem : store_.Update([](std::vector<QueueJob>&) {})) {
      Tell(problem);
    }
  } catch (const std::exception& error) {
    Tell(error.what());
    return;
  }
  StartNext();
}

void QueueRunner::Tick() {
  if (!job_) {
    return;
  }
  job_->Tick();
  if (!job_->Active()) {
    EndJob();
    StartNext();
  }
}

void QueueRunner::Stop() {
  stopped_ = true;
  if (job_) {
    job_->Stop();
  }
}

void QueueRunner::StopCurrent(JobState endedAs) {
  if (job_) {
    endedAs_ = endedAs;
    job_->Stop();
  }
}

std::optional<int32_t> QueueRunner::CurrentJobId() const {
  if (!current_) {
    return std::nullopt;
  }
  return current_->Id;
}

std::chrono::milliseconds QueueRunner::TickInterval() const {
  return job_ ? job_->TickInterval() : clock_.RealSpan(std::chrono::seconds(1));
}

void QueueRunner::StartNext() {
  std::vector<int32_t> tried;
  while (!job_) {
    if (stopped_ || stop_.stop_requested()) {
      stopped_ = true;
      return;
    }
    QueueReading reading;
    try {
      reading = store_.Load();
    } catch (const std::exception& error) {
      Tell(error.what());
      return;
    }
    const auto next = std::find_if(reading.Jobs.begin(), reading.Jobs.end(), [&](const QueueJob& job) {
      return StillToRun(job) && std::count(tried.begin(), tried.end(), job.Id) == 0;
    });
    if (next == reading.Jobs.end()) {
      return;
    }
    tried.push_back(next->Id);
    StartJob(*next);
  }
}

void QueueRunner::StartJob(const QueueJob& job) {
  current_ = job;
  failures_ = false;
  refusal_.clear();
  endedAs_.reset();
  SaveCurrent([](QueueJob& saved) {
    saved.State = JobState::Running;
    saved.Note.clear();
  });
  try {
    auto requests = RequestsOfJob(job, settings_, store_.ReadShape(job));
    if (const auto* fault = std::get_if<std::string>(&requests)) {
      throw AppError(*fault);
    }
    RunSink& sink = *this;
    job_ = std::make_unique<Job>(platform_, clock_, makeClient_, makeWorker_,
                                 std::get<std::vector<RunRequest>>(std::move(requests)), sink,
                                 stop_);
    job_->Start();
  } catch (const std::exception& error) {
    // The job ends here; the queue goes on with the next one.
    refusal_ = error.what();
    Tell(job.TaskName + ": " + refusal_);
  }
  if (!job_ || !job_->Active()) {
    EndJob();
  }
}

void QueueRunner::EndJob() {
  JobState state = JobState::Done;
  if (endedAs_) {
    state = *endedAs_;
  } else if (job_ && job_->Stopped()) {
    state = JobState::Waiting;  // the queue was stopped, not the job: it continues next time
  } else if (!job_ || job_->RunRefused() || !refusal_.empty() || failures_) {
    state = JobState::EndedWithFailures;
  }
  anyFailed_ = anyFailed_ || state == JobState::EndedWithFailures;
  const std::string note = refusal_;
  SaveCurrent([state, &note](QueueJob& saved) {
    saved.State = state;
    saved.Note = note;
  });
  ++jobsEnded_;
  job_.reset();
  current_.reset();
}

void QueueRunner::SaveCurrent(const std::function<void(QueueJob&)>& change) {
  if (!current_) {
    return;
  }
  change(*current_);
  const QueueJob now = *current_;
  try {
    const std::vector<std::string> problems = store_.Update([&now](std::vector<QueueJob>& jobs) {
      for (QueueJob& saved : jobs) {
        if (saved.Id == now.Id) {
          saved.LeftLongitude = now.LeftLongitude;
          saved.RightLongitude = now.RightLongitude;
          saved.TopLatitude = now.TopLatitude;
          saved.BottomLatitude = now.BottomLatitude;
          saved.State = now.State;
          saved.Zoom = now.Zoom;
          saved.Settled = now.Settled;
          saved.Total = now.Total;
          saved.Note = now.Note;
        }
      }
    });
    // Only a file edited while the queue runs has any.
    for (const std::string& problem : problems) {
      Tell(problem);
    }
  } catch (const std::exception& error) {
    Tell(error.what());
  }
}

void QueueRunner::Tell(const std::string& sentence) {
  owner_.Refused(RequestFault{sentence, RequestFault::Kind::Message});
}

void QueueRunner::Refused(const RequestFault& fault) {
  refusal_ = fault.Text;
  owner_.Refused(fault);
}

void QueueRunner::RunStarted(const DownloadTask& task) {
  // The job keeps the coordinate texts its task files store (as the main window's boxes
  // do after a Start), so that the job, run again after a kill, continues its tasks
  // however the numbers were typed.
  const TaskFileValues stored = ReadTaskFile(task.TaskFilePath()).Values;
  SaveCurrent([&task, &stored](QueueJob& saved) {
    if (!saved.HasShape) {
      saved.LeftLongitude = stored.LeftLongitude.value_or(saved.LeftLongitude);
      saved.RightLongitude = stored.RightLongitude.value_or(saved.RightLongitude);
      saved.TopLatitude = stored.TopLatitude.value_or(saved.TopLatitude);
      saved.BottomLatitude = stored.BottomLatitude.value_or(saved.BottomLatitude);
    }
    saved.Zoom = task.Params.Zoom;
    saved.Total = task.TotalCount;
    saved.Settled = 0;
  });
  owner_.RunStarted(task);
}

void QueueRunner::ProgressChanged(const RunProgress& progress) {
  if (current_) {
    current_->Settled = progress.SettledCount;
    current_->Total = progress.TotalCount;
  }
  owner_.ProgressChanged(progress);
}

void QueueRunner::Ticked(const RunProgress& progress, int32_t ticks) {
  if (ticks % kTicksPerSave == 0) {
    SaveCurrent([&progress](QueueJob& saved) {
      saved.Settled = progress.SettledCount;
      saved.Total = progress.TotalCount;
    });
  }
  owner_.Ticked(progress, ticks);
}

void QueueRunner::RunEnded(const RunSummary& summary) {
  if (!summary.Stopped && !EveryTileFetched(summary)) {
    failures_ = true;
  }
  SaveCurrent([&summary](QueueJob& saved) {
    saved.Settled = summary.Progress.SettledCount;
    saved.Total = summary.Progress.TotalCount;
  });
  owner_.RunEnded(summary);
}

}  // namespace kartovel
