// The queue window's model.
#include "app/UnitQueue.h"

#include <algorithm>
#include <utility>

#include "app/JobApproval.h"
#include "engine/ProgramSettings.h"

namespace kartovel {

namespace {

std::string StatusLine(const std::vector<QueueJob>& jobs, const std::optional<QueueJob>& running) {
  const auto waiting = std::count_if(jobs.begin(), jobs.end(), [](const QueueJob& job) {
    return job.State == JobState::Waiting;
  });
  std::string line = std::to_string(jobs.size()) + (jobs.size() == 1 ? " job, " : " jobs, ") +
                     std::to_string(waiting) + " waiting";
  if (running) {
    line += "; running: " + running->TaskName + " (zoom " + std::to_string(running->Zoom) + ")";
  }
  return line;
}

std::string Joined(const std::vector<std::string>& sentences) {
  std::string text;
  for (const std::string& sentence : sentences) {
    text += (text.empty() ? "" : "\n") + sentence;
  }
  return text;
}

}  // namespace

TfrmQueue::TfrmQueue(Platform& platform, Clock& clock, HttpClientFactory makeClient,
                     std::string queueFile, WorkerFactory makeWorker)
    : platform_(platform),
      clock_(clock),
      makeClient_(std::move(makeClient)),
      makeWorker_(std::move(makeWorker)),
      store_(std::move(queueFile)) {}

TfrmQueue::~TfrmQueue() = default;

std::chrono::milliseconds TfrmQueue::Timer1RealInterval() const {
  return runner_ ? runner_->TickInterval() : clock_.RealSpan(std::chrono::seconds(1));
}

void TfrmQueue::FormShow() {
  const QueueReading reading = store_.Load();
  if (!reading.Problems.empty()) {
    platform_.ShowMessage(Joined(reading.Problems));
  }
  Reload();
}

void TfrmQueue::ButtonRunClick() {
  if (runner_) {
    runner_->Stop();  // the job ends at a later tick and waits again
    return;
  }
  RunSink& sink = *this;
  runner_ = std::make_unique<QueueRunner>(platform_, clock_, makeClient_, makeWorker_,
                                          ReadProgramSettings(platform_.ProgramFolder()), store_,
                                          sink);
  runner_->Start();
  if (!runner_->Active()) {
    const bool nothingRan = runner_->JobsEnded() == 0 && !runner_->LockRefused();
    EndRunner();
    if (nothingRan) {
      platform_.ShowMessage("No job is waiting in the queue.");
    }
  } else {
    ButtonRunCaption = StopCaption;
    Timer1Enabled = true;
    if (view_) view_->TimerChanged(true);
  }
  Reload();
}

void TfrmQueue::Timer1Timer() {
  if (runner_) {
    runner_->Tick();
    if (removeWhenEnded_ && runner_->CurrentJobId() != removeWhenEnded_) {
      store_.Remove(*std::exchange(removeWhenEnded_, std::nullopt));
    }
    if (!runner_->Active()) {
      EndRunner();
    }
  }
  Reload();
}

void TfrmQueue::EndRunner() {
  runner_.reset();
  progress_.reset();
  if (removeWhenEnded_) {
    store_.Remove(*std::exchange(removeWhenEnded_, std::nullopt));
  }
  ButtonRunCaption = RunCaption;
  if (Timer1Enabled) {
    Timer1Enabled = false;
    if (view_) view_->TimerChanged(false);
  }
}

void TfrmQueue::ButtonUpClick() { Move(-1); }
void TfrmQueue::ButtonDownClick() { Move(1); }

void TfrmQueue::Move(int32_t step) {
  const std::optional<int32_t> id = SelectedId();
  if (!id) return;
  Change([id, step](std::vector<QueueJob>& jobs) {
    const auto at = std::find_if(jobs.begin(), jobs.end(),
                                 [id](const QueueJob& job) { return job.Id == *id; });
    if (at == jobs.end()) return;
    const auto index = at - jobs.begin();
    const auto other = index + step;
    if (other >= 0 && other < static_cast<std::ptrdiff_t>(jobs.size())) {
      std::swap(jobs[index], jobs[other]);
    }
  });
}

void TfrmQueue::ButtonPauseClick() {
  const std::optional<int32_t> id = SelectedId();
  if (!id) return;
  if (runner_ && runner_->CurrentJobId() == id) {
    runner_->StopCurrent(JobState::Stopped);
    return;
  }
  // A job held back waits again; one still to run is held back; an ended one stays.
  Change([id](std::vector<QueueJob>& jobs) {
    for (QueueJob& job : jobs) {
      if (job.Id != *id) continue;
      if (job.State == JobState::Stopped) {
        job.State = JobState::Waiting;
      } else if (StillToRun(job)) {
        job.State = JobState::Stopped;
      }
    }
  });
}

void TfrmQueue::ButtonRemoveClick() {
  const std::optional<int32_t> id = SelectedId();
  if (!id) return;
  if (runner_ && runner_->CurrentJobId() == id) {
    // Its run stops first; the job leaves the queue once it has ended.
    removeWhenEnded_ = id;
    runner_->StopCurrent(JobState::Stopped);
    return;
  }
  store_.Remove(*id);
  Reload();
}

bool TfrmQueue::AddRequestedJob(const std::variant<RequestedJob, std::string>& requested) {
  if (const auto* fault = std::get_if<std::string>(&requested)) {
    platform_.ShowMessage(*fault);
    return false;
  }
  const RequestedJob& job = std::get<RequestedJob>(requested);
  if (!ApproveJob(job, platform_, makeClient_, nullptr)) {
    return false;
  }
  // The checks of a Start now, so that a job that could never run is not queued.
  RunRequest first = job.First;
  first.Zoom = std::to_string(job.FirstZoom);
  const auto checked = CheckRequest(first);
  if (const auto* refusal = std::get_if<RequestFault>(&checked)) {
    platform_.ShowMessage(refusal->Text);
    return false;
  }
  QueueJob queued = JobOfRequest(first, job.FirstZoom, job.LastZoom, job.FirstZoom != job.LastZoom);
  const QueueJob added = store_.Add(std::move(queued), first.AreaShape);
  Reload();
  Select(added.Id);
  return true;
}

void TfrmQueue::Change(const std::function<void(std::vector<QueueJob>&)>& change) {
  const std::vector<std::string> problems = store_.Update(change);
  if (!problems.empty()) {
    platform_.ShowMessage(Joined(problems));
  }
  Reload();
}

std::optional<int32_t> TfrmQueue::SelectedId() const {
  if (ListBox1ItemIndex < 0 || ListBox1ItemIndex >= static_cast<int32_t>(jobs_.size())) {
    return std::nullopt;
  }
  return jobs_[ListBox1ItemIndex].Id;
}

void TfrmQueue::Select(std::optional<int32_t> id) {
  ListBox1ItemIndex = -1;
  for (size_t i = 0; id && i < jobs_.size(); ++i) {
    if (jobs_[i].Id == *id) ListBox1ItemIndex = static_cast<int32_t>(i);
  }
  Notify();
}

void TfrmQueue::Reload() {
  const std::optional<int32_t> selected = SelectedId();
  jobs_ = store_.Load().Jobs;
  std::optional<QueueJob> running;
  for (QueueJob& job : jobs_) {
    if (runner_ && runner_->CurrentJobId() == job.Id) {
      if (progress_) {
        job.Settled = progress_->SettledCount;
        job.Total = progress_->TotalCount;
      }
      running = job;
    }
  }
  ListBox1.clear();
  for (const QueueJob& job : jobs_) {
    ListBox1.push_back(JobLine(job));
  }
  StatusBar1 = StatusLine(jobs_, running);
  Select(selected);
}

void TfrmQueue::Notify() {
  if (view_) view_->FieldsChanged();
}

void TfrmQueue::Refused(const RequestFault& fault) {
  platform_.ShowMessage(fault.Text);
}

void TfrmQueue::ProgressChanged(const RunProgress& progress) {
  progress_ = progress;
}

void TfrmQueue::RunStarted(const DownloadTask& /*task*/) {
  progress_.reset();
}

}  // namespace kartovel
