// The refresh dialog as a model ("Refresh tiles ..." in the Tools menu): a task file, an
// optional age in days, and the refresh of the task's due tiles with its lines in Memo1
// and its counts in ProgressText.
//
// Threads: the handlers run on the user-interface thread. Button1Click builds the task
// and its index there and hands the refresh to a thread of its own, whose workers reach
// the model only through blocking hand-offs (Platform::RunBlocking): each line, the
// counts and the end. Button1Click while running, Close and the destructor stop it: the
// requests in progress end at once and what was refreshed stays refreshed.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "common/Clock.h"
#include "common/LineFile.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "engine/TileRefresh.h"

namespace kartovel {

class TfrmRefreshView {
 public:
  virtual ~TfrmRefreshView() = default;
  virtual void Memo1LinesAppended(std::size_t /*first*/) {}
  virtual void Memo1Cleared() {}
  // Running(), ProgressText or the summary changed.
  virtual void RunChanged() {}
};

class TfrmRefresh {
 public:
  static constexpr char Caption[] = "Refresh tiles";
  static constexpr char StartCaption[] = "Refresh";
  static constexpr char StopCaption[] = "Stop";

  TfrmRefresh(Platform& platform, Clock& time, HttpClientFactory makeClient = CreateCurlHttpClient);
  // A refresh still going is stopped and waited for, its hand-offs served meanwhile.
  ~TfrmRefresh();
  TfrmRefresh(const TfrmRefresh&) = delete;
  TfrmRefresh& operator=(const TfrmRefresh&) = delete;

  void SetView(TfrmRefreshView* view) { view_ = view; }

  // ---- Controls ----
  std::string EditTaskFile;
  std::optional<double> OlderThanDays;  // none: only the tiles past their expiry
  Lines Memo1;
  bool Visible = false;
  std::string ProgressText;  // "12 of 40 tiles: 10 unchanged, 1 changed, 1 failed"

  // ---- Of the last refresh ----
  bool Started = false;  // its task was built and its tiles chosen
  bool Stopped = false;  // it was stopped before its end
  RefreshCounts Counts;
  std::vector<std::string> FailedTiles;  // "path|URL"
  bool Running() const { return running_; }
  std::string ButtonCaption() const { return running_ ? StopCaption : StartCaption; }
  // "TASK: 3 unchanged, 1 changed, 0 failed of 4 tiles due"; empty before a refresh ends.
  std::string SummaryText() const { return summary_; }

  void Show();
  void Close();

  // Handlers; they may throw, the front end enters them through RunHandler.
  void ButtonBrowseClick();
  // Starts the refresh; while one is going, stops it.
  void Button1Click();

 private:
  struct Refreshing;

  void Start();
  void Finish(const RefreshCounts& counts, const std::string& failure);
  void AppendToMemo1(std::string line);
  void ShowCounts(const RefreshCounts& counts);
  void WaitForRunThread();
  void Changed();

  Platform& platform_;
  Clock& time_;
  HttpClientFactory makeClient_;
  TfrmRefreshView* view_ = nullptr;
  bool running_ = false;
  std::string summary_;
  std::stop_source stop_;
  std::unique_ptr<Refreshing> refreshing_;  // the task, its index and the refresh
  std::thread runThread_;
  std::atomic<bool> runThreadDone_{true};
};

}  // namespace kartovel
