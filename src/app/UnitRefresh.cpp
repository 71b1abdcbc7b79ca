// The refresh dialog's model: the task of a file, its due tiles and the refresh's thread.
#include "app/UnitRefresh.h"

#include <chrono>
#include <cmath>
#include <ctime>

#include "app/TaskFileRequest.h"
#include "common/ServedJoin.h"
#include "engine/ProgramSettings.h"
#include "engine/TaskValidatorIndex.h"

namespace kartovel {

namespace {
constexpr double kSecondsPerDay = 24.0 * 3600.0;
}  // namespace

// Everything a refresh holds while it goes; the workers' lines come through Sink.
struct TfrmRefresh::Refreshing final : RefreshSink {
  explicit Refreshing(TfrmRefresh& form) : Form(form) {}
  void RefreshLine(const std::string& line) override {
    Form.platform_.RunBlocking([this, &line] { Form.AppendToMemo1(line); });
  }
  void RefreshProgress(const RefreshCounts& counts) override {
    Form.platform_.RunBlocking([this, counts] { Form.ShowCounts(counts); });
  }

  TfrmRefresh& Form;
  std::unique_ptr<TaskParameters> Params;
  std::unique_ptr<DownloadTask> Task;
  std::unique_ptr<TileValidatorIndex> Index;
  std::unique_ptr<TileRefresh> Refresh;
  std::vector<TileId> Due;
};

TfrmRefresh::TfrmRefresh(Platform& platform, Clock& time, HttpClientFactory makeClient)
    : platform_(platform), time_(time), makeClient_(std::move(makeClient)) {}

TfrmRefresh::~TfrmRefresh() {
  view_ = nullptr;
  stop_.request_stop();
  WaitForRunThread();
}

void TfrmRefresh::WaitForRunThread() {
  JoinServingEvents(runThread_, runThreadDone_, platform_);
}

void TfrmRefresh::Show() {
  Visible = true;
}

void TfrmRefresh::Close() {
  Visible = false;
  stop_.request_stop();
}

void TfrmRefresh::ButtonBrowseClick() {
  if (const auto file = platform_.OpenFileDialog("Open task file:", "Tasks(*.qtsk)|*.qtsk", EditTaskFile)) {
    EditTaskFile = *file;
    Changed();
  }
}

void TfrmRefresh::Button1Click() {
  if (running_) {
    stop_.request_stop();
    AppendToMemo1("Stopping: the requests under way end, what was refreshed stays refreshed.");
    return;
  }
  Start();
}

void TfrmRefresh::Start() {
  if (OlderThanDays && !(*OlderThanDays >= 0)) {
    platform_.ShowMessage("The age must be a number of days of at least 0.");
    return;
  }
  WaitForRunThread();  // the refresh before has handed off its end already
  Memo1.clear();
  if (view_) view_->Memo1Cleared();
  Started = Stopped = false;
  Counts = RefreshCounts{};
  FailedTiles.clear();
  summary_.clear();
  ProgressText.clear();
  refreshing_.reset();

  const ProgramSettings settings = ReadProgramSettings(platform_.ProgramFolder());
  auto request = RequestOfTaskFile(EditTaskFile, settings);
  if (const auto* fault = std::get_if<std::string>(&request)) {
    platform_.ShowMessage(*fault);
    return;
  }
  auto checked = CheckRequest(std::get<RunRequest>(request));
  if (const auto* fault = std::get_if<RequestFault>(&checked)) {
    platform_.ShowMessage(fault->Text);
    return;
  }
  auto refreshing = std::make_unique<Refreshing>(*this);
  refreshing->Params = std::make_unique<TaskParameters>(std::get<TaskParameters>(std::move(checked)));
  refreshing->Params->ContinueTask = true;  // the task's files are read, never rewritten
  refreshing->Task = std::make_unique<DownloadTask>(*refreshing->Params);
  refreshing->Index = OpenTaskValidatorIndex(*refreshing->Task,
                                             [this](std::string line) { AppendToMemo1(std::move(line)); });
  if (!refreshing->Index) {
    return;
  }
  refreshing->Refresh = std::make_unique<TileRefresh>(*refreshing->Task, *refreshing->Index, time_,
                                                      makeClient_, *refreshing);
  RefreshChoice choice;
  choice.Now = std::time(nullptr);
  if (OlderThanDays) {
    choice.OlderThanSeconds = std::llround(*OlderThanDays * kSecondsPerDay);
  }
  refreshing->Due = refreshing->Refresh->DueTiles(choice);
  Started = true;
  refreshing_ = std::move(refreshing);
  AppendToMemo1(std::to_string(refreshing_->Due.size()) + " tiles of " +
                refreshing_->Task->TaskFilePath() + " are due.");
  stop_ = std::stop_source();
  running_ = true;
  runThreadDone_.store(false);
  ShowCounts(RefreshCounts{static_cast<int64_t>(refreshing_->Due.size()), 0, 0, 0});
  runThread_ = std::thread([this, stop = stop_.get_token()] {
    RefreshCounts counts;
    std::string failure;
    try {
      counts = refreshing_->Refresh->Run(refreshing_->Due, stop);
    } catch (const std::exception& error) {
      failure = error.what();
    }
    platform_.RunBlocking([&] { Finish(counts, failure); });
    runThreadDone_.store(true);
  });
}

void TfrmRefresh::Finish(const RefreshCounts& counts, const std::string& failure) {
  running_ = false;
  Counts = counts;
  Counts.Due = static_cast<int64_t>(refreshing_->Due.size());
  Stopped = stop_.stop_requested();
  FailedTiles = refreshing_->Refresh->FailedTiles();
  if (!failure.empty()) {
    AppendToMemo1("Error: " + failure);
  }
  summary_ = refreshing_->Task->TaskFilePath() + ": " + std::to_string(Counts.Unchanged) +
             " unchanged, " + std::to_string(Counts.Changed) + " changed, " +
             std::to_string(Counts.Failed) + " failed of " + std::to_string(Counts.Due) + " tiles due";
  AppendToMemo1(summary_);
  for (const std::string& tile : FailedTiles) {
    AppendToMemo1("failed: " + tile);
  }
  Changed();
}

void TfrmRefresh::ShowCounts(const RefreshCounts& counts) {
  const int64_t due = refreshing_ ? static_cast<int64_t>(refreshing_->Due.size()) : counts.Due;
  ProgressText = std::to_string(counts.Done()) + " of " + std::to_string(due) + " tiles: " +
                 std::to_string(counts.Unchanged) + " unchanged, " + std::to_string(counts.Changed) +
                 " changed, " + std::to_string(counts.Failed) + " failed";
  Changed();
}

void TfrmRefresh::AppendToMemo1(std::string line) {
  Memo1.push_back(std::move(line));
  if (view_) view_->Memo1LinesAppended(Memo1.size() - 1);
}

void TfrmRefresh::Changed() {
  if (view_) view_->RunChanged();
}

}  // namespace kartovel
