// The queue window as a model: the list of jobs with their state and progress, the
// commands that run them one after the other (Run / Stop), reorder them (Move up, Move
// down), hold them back (Pause; Pause again lets the job wait once more) and remove them,
// and "Add to queue" of the main window, which takes the window's current request as a
// job after the same question a Start asks. The queue itself lives in its file
// (queue/QueueFile.h): the list is read from it again at every change, so a job added by
// the command line meanwhile shows too.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "app/RequestEstimate.h"
#include "common/Clock.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "engine/Run.h"
#include "engine/RunSink.h"
#include "queue/QueueFile.h"
#include "queue/QueueRunner.h"

namespace kartovel {

class TfrmQueueView {
 public:
  virtual ~TfrmQueueView() = default;
  // ListBox1 or the selection, the captions or the status line changed.
  virtual void FieldsChanged() {}
  // Timer1 was enabled or disabled (its interval: Timer1RealInterval()).
  virtual void TimerChanged(bool /*enabled*/) {}
};

class TfrmQueue final : private RunSink {
 public:
  static constexpr char Caption[] = "Queue";
  static constexpr char RunCaption[] = "Run";
  static constexpr char StopCaption[] = "Stop";
  static constexpr char ButtonUpCaption[] = "Move up";
  static constexpr char ButtonDownCaption[] = "Move down";
  static constexpr char ButtonPauseCaption[] = "Pause";
  static constexpr char ButtonRemoveCaption[] = "Remove";

  // queueFile: where the queue lives (DefaultQueueFilePath() in the program).
  // platform and clock must outlive the model.
  TfrmQueue(Platform& platform, Clock& clock, HttpClientFactory makeClient,
            std::string queueFile, WorkerFactory makeWorker = CreateRunningWorker);
  ~TfrmQueue() override;
  TfrmQueue(const TfrmQueue&) = delete;
  TfrmQueue& operator=(const TfrmQueue&) = delete;

  void SetView(TfrmQueueView* view) { view_ = view; }

  // ---- Controls ----
  std::vector<std::string> ListBox1;  // a line per job (JobLine), in the queue's order
  int32_t ListBox1ItemIndex = -1;     // the selected job, -1: none
  std::string ButtonRunCaption = RunCaption;
  std::string StatusBar1;             // how many jobs wait, which one runs
  bool Timer1Enabled = false;

  // The jobs as listed, in the list's order.
  const std::vector<QueueJob>& Jobs() const { return jobs_; }
  bool Running() const { return runner_ != nullptr; }
  std::chrono::milliseconds Timer1RealInterval() const;

  // ---- Handlers ----
  void FormShow();          // reads the queue's file again
  void ButtonRunClick();    // Run every waiting job / Stop (the job waits again)
  void ButtonUpClick();
  void ButtonDownClick();
  void ButtonPauseClick();
  void ButtonRemoveClick();
  void Timer1Timer();
  // "Add to queue" of the main window: the request, or the sentence of why there is none.
  // True when the job was added.
  bool AddRequestedJob(const std::variant<RequestedJob, std::string>& requested);

 private:
  void Reload();
  void Move(int32_t step);
  std::optional<int32_t> SelectedId() const;
  void Select(std::optional<int32_t> id);
  void Change(const std::function<void(std::vector<QueueJob>&)>& change);
  void EndRunner();
  void Notify();

  // ---- RunSink: the runner's events ----
  void Refused(const RequestFault& fault) override;
  bool Confirm(const std::string& question) override { return platform_.AskYesNo(question); }
  void ProgressChanged(const RunProgress& progress) override;
  void RunStarted(const DownloadTask& task) override;

  Platform& platform_;
  Clock& clock_;
  HttpClientFactory makeClient_;
  WorkerFactory makeWorker_;
  QueueStore store_;
  std::vector<QueueJob> jobs_;
  std::optional<RunProgress> progress_;  // the current run's, newer than the file's
  std::optional<int32_t> removeWhenEnded_;
  TfrmQueueView* view_ = nullptr;
  std::unique_ptr<QueueRunner> runner_;  // last: its runs still reach the members above
};

}  // namespace kartovel
