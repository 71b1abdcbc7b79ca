// The re-download dialog as a model: fetches again, one after the other, every tile
// listed in a failed-tile file and reports each in Memo1.
//
// Threads: the handlers run on the user-interface thread. Button1Click reads the file
// there, then hands the records to a thread of the run, which fetches them one by one
// and reaches the model only through blocking hand-offs (Platform::RunBlocking): each
// report line, the record count ("3 of 120") and the run's end. So the window stays
// responsive, and Close (or the model's end) stops the run: the transfer in progress
// ends at once and no further record is asked for. No member is touched by two threads,
// except the stop request (the run holds its token) and the end of the run's thread.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>

#include "common/Clock.h"
#include "common/LineFile.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "task/FailedFileScope.h"

namespace kartovel {

// What the view is told, on the user-interface thread, after the change.
class TfrmFltView {
 public:
  virtual ~TfrmFltView() = default;
  // Memo1[first] up to its last line are new.
  virtual void Memo1LinesAppended(std::size_t /*first*/) {}
  virtual void Memo1Cleared() {}
  // Running() or ProgressText changed.
  virtual void RunChanged() {}
};

class TfrmFlt {
 public:
  static constexpr char Caption[] = "Re-Download failed files";
  static constexpr char Button1Caption[] = "Open *.ftl file and download...";

  // The factory makes the run's HTTP client; production passes CreateCurlHttpClient.
  TfrmFlt(Platform& platform, HttpClientFactory makeClient = CreateCurlHttpClient);
  // A run still going is stopped and waited for, its hand-offs served meanwhile through
  // Platform::ProcessPendingEvents.
  ~TfrmFlt();
  TfrmFlt(const TfrmFlt&) = delete;
  TfrmFlt& operator=(const TfrmFlt&) = delete;

  // The view to notify; nullptr detaches. Not owned.
  void SetView(TfrmFltView* view) { view_ = view; }

  Lines Memo1;  // the report pane, one entry per report
  bool Visible = false;
  // Of the last run: the records of its file, and those fetched and written again.
  int32_t RecordCount = 0;
  int32_t FetchedCount = 0;
  // The last run ended through the general error display (a tile that cannot be written).
  bool EndedByError = false;
  // Which record the run is on, "3 of 120"; empty when no run is going.
  std::string ProgressText;
  // From the start of a run's fetching until its end; Button1 does nothing meanwhile.
  bool Running() const { return running_; }

  // Shows the dialog (the front end makes it modal) and runs FormShow.
  void Show();
  // Hides the dialog and stops a run that is going.
  void Close();

  // Handlers. They may throw; the front end enters them through RunHandler.
  void FormShow();
  void Button1Click();

 private:
  enum class RecordOutcome { Next, EndRun };

  // What a run works through, handed to its thread.
  struct Run {
    std::unique_ptr<HttpClient> Client;
    Lines Records;
    FailedFileScope Scope;
    uint64_t Pane;  // the pane's emptying the run reports into
    std::stop_token Stop;
  };

  // The run's thread: every record in order, then "Download End.".
  void RunRecords(Run run);
  // Fetches, checks and saves one record, reporting it, or reports why it is skipped.
  // Throws when the tile cannot be written. Runs on the run's thread.
  RecordOutcome DownloadRecord(const Run& run, const std::string& record);
  // Hand-offs of the run's thread. A line goes to the pane only while the pane still
  // shows that run (FormShow starts a new one).
  void Report(uint64_t pane, std::string line);
  void CountFetched();
  void ReportProgress(std::string text);
  void ReportError(std::string message);
  void ReportEnd();

  void AppendToMemo1(std::string line);
  void ClearMemo1();
  void WaitForRunThread();

  Platform& platform_;
  HttpClientFactory makeClient_;
  ScaledClock clock_;  // the fetch's; the re-download's failure table has no pause
  TfrmFltView* view_ = nullptr;
  bool running_ = false;
  uint64_t pane_ = 0;  // counts the pane's emptyings
  std::stop_source stop_;  // of the run going or the next one; a run renews it
  std::atomic<bool> runThreadDone_{true};
  std::thread runThread_;
};

}  // namespace kartovel
