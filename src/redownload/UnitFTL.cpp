// The re-download dialog's command: read the failed-tile file, request every tile with
// the dialog's own request profile, write what arrives, report every record.
#include "redownload/UnitFTL.h"

#include <string_view>
#include <utility>

#include "common/AtomicFile.h"
#include "common/Text.h"
#include "download/TileFailure.h"
#include "task/FailedFileScope.h"
#include "task/FailedRecord.h"

namespace kartovel {

namespace {
constexpr char kNotFoundText[] = ":Error: the image is not found on server.";
}  // namespace

TfrmFlt::TfrmFlt(Platform& platform, HttpClientFactory makeClient)
    : platform_(platform), makeClient_(std::move(makeClient)) {}

void TfrmFlt::Show() {
  Visible = true;
  FormShow();
}

void TfrmFlt::Close() {
  Visible = false;
}

void TfrmFlt::FormShow() {
  ClearMemo1();
}

void TfrmFlt::Button1Click() {
  const auto fileName =
      platform_.OpenFileDialog("Open ftl file:", "Projects(*.ftl)|*.ftl", std::string());
  if (!fileName) {
    return;
  }
  ClearMemo1();
  RecordCount = FetchedCount = 0;
  const std::unique_ptr<HttpClient> client = makeClient_(RedownloadRequestProfile());
  const Lines records = ReadLines(*fileName);
  RecordCount = static_cast<int32_t>(records.size());
  if (records.empty()) {
    AppendToMemo1("No failed files records.");
    return;
  }
  const FailedFileScope scope(*fileName);
  AppendToMemo1("Start...");
  platform_.ProcessPendingEvents();
  for (const std::string& record : records) {
    if (!DownloadRecord(*client, scope, record)) {
      break;
    }
  }
  AppendToMemo1("Download End.");
}

bool TfrmFlt::DownloadRecord(HttpClient& client, const FailedFileScope& scope,
                             const std::string& record) {
  const FailedRecord tile = SplitFailedRecord(record);
  if (const auto refusal = scope.Refusal(tile)) {
    AppendToMemo1(*refusal);
    return true;
  }
  std::string body;
  const auto failure = GetRepeatingResets(client, tile.TileUrl, body);
  if (!failure) {
    WriteFileAtomically(tile.TilePath, body);
    ++FetchedCount;
    AppendToMemo1(tile.TilePath + ":" + tile.TileUrl + " ->OK");
    return true;
  }
  const std::string& message = failure->Message;
  AppendToMemo1(message + "->" + tile.TileUrl);
  if (MeansRefused(message)) {
    AppendToMemo1(kBannedLine);
    return false;
  }
  if (Contains(message, "404")) {
    AppendToMemo1(tile.TileUrl + kNotFoundText);
  }
  return true;
}

void TfrmFlt::AppendToMemo1(std::string line) {
  Memo1.push_back(std::move(line));
  if (view_ != nullptr) {
    view_->Memo1LinesAppended(Memo1.size() - 1);
  }
}

void TfrmFlt::ClearMemo1() {
  Memo1.clear();
  if (view_ != nullptr) {
    view_->Memo1Cleared();
  }
}

std::optional<HttpFailure> TfrmFlt::GetRepeatingResets(HttpClient& client, const std::string& url,
                                                       std::string& body) {
  // Only the bytes of the answered attempt may reach the tile file, whatever a reset
  // attempt left behind.
  body.clear();
  auto failure = client.Get(url, body);
  for (int repeat = 0;
       repeat < kMaxResetRepeats && failure && MeansConnectionReset(failure->Message); ++repeat) {
    body.clear();
    failure = client.Get(url, body);
  }
  return failure;
}

}  // namespace kartovel
