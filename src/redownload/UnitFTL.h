// The re-download dialog as a model: fetches again, one after the other on the
// user-interface thread, every tile listed in a failed-tile file and reports each in Memo1.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "common/LineFile.h"
#include "common/Platform.h"
#include "download/HttpClient.h"
#include "task/FailedFileScope.h"

namespace kartovel {

// What the view is told, on the user-interface thread, after the change. A run appends
// while the handler holds the thread, so a view that mirrors the pane as it grows keeps
// "Start..." visible through the one pass of pending events.
class TfrmFltView {
 public:
  virtual ~TfrmFltView() = default;
  // Memo1[first] up to its last line are new.
  virtual void Memo1LinesAppended(std::size_t /*first*/) {}
  virtual void Memo1Cleared() {}
};

class TfrmFlt {
 public:
  static constexpr char Caption[] = "Re-Download failed files";
  static constexpr char Button1Caption[] = "Open *.ftl file and download...";

  // The factory makes the run's HTTP client; production passes CreateCurlHttpClient.
  TfrmFlt(Platform& platform, HttpClientFactory makeClient = CreateCurlHttpClient);

  // The view to notify; nullptr detaches. Not owned.
  void SetView(TfrmFltView* view) { view_ = view; }

  Lines Memo1;  // the report pane, one entry per report
  bool Visible = false;
  // Of the last run: the records of its file, and those fetched and written again.
  int32_t RecordCount = 0;
  int32_t FetchedCount = 0;

  // Shows the dialog (the front end makes it modal) and runs FormShow.
  void Show();
  void Close();

  // Handlers. They may throw; the front end enters them through RunHandler.
  void FormShow();
  void Button1Click();

 private:
  // Fetches and saves one record, reporting it, or reports why it is skipped; false when
  // the run must end here.
  bool DownloadRecord(HttpClient& client, const FailedFileScope& scope, const std::string& record);
  // A GET that is repeated at once while the connection is reset, up to kMaxResetRepeats.
  static std::optional<HttpFailure> GetRepeatingResets(HttpClient& client, const std::string& url,
                                                       std::string& body);
  void AppendToMemo1(std::string line);
  void ClearMemo1();

  Platform& platform_;
  HttpClientFactory makeClient_;
  TfrmFltView* view_ = nullptr;
};

}  // namespace kartovel
