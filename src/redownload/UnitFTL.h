// The re-download dialog as a model: fetches again, one after the other on the
// user-interface thread, every tile listed in a failed-tile file and reports each in Memo1.
#pragma once

#include <optional>
#include <string>

#include "app/Platform.h"
#include "common/LineFile.h"
#include "download/HttpClient.h"

namespace kartovel {

class TfrmFlt {
 public:
  static constexpr char Caption[] = "Re-Download failed files";
  static constexpr char Button1Caption[] = "Open *.ftl file and download...";
  // A peer that resets every connection would otherwise hold the loop for ever.
  static constexpr int kMaxResetRepeats = 20;

  // The factory makes the run's HTTP client; production passes CreateCurlHttpClient.
  TfrmFlt(Platform& platform, HttpClientFactory makeClient = CreateCurlHttpClient);

  Lines Memo1;  // the report pane, one entry per report
  bool Visible = false;

  // Shows the dialog (the front end makes it modal) and runs FormShow.
  void Show();
  void Close();

  // Handlers. They may throw; the front end enters them through RunHandler.
  void FormShow();
  void Button1Click();

 private:
  // Fetches and saves one record, reporting it; false when the run must end here.
  bool DownloadRecord(HttpClient& client, const std::string& record);
  // A GET that is repeated at once while the connection is reset, up to the bound.
  static std::optional<HttpFailure> GetRepeatingResets(HttpClient& client, const std::string& url,
                                                       std::string& body);

  Platform& platform_;
  HttpClientFactory makeClient_;
};

}  // namespace kartovel
