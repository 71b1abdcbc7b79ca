// The re-download dialog's command: read the failed-tile file, request every tile with
// the dialog's own request profile on a thread of the run, write what arrives when it
// is an image of the tile's type, report every record.
#include "redownload/UnitFTL.h"

#include <chrono>
#include <cstddef>
#include <exception>
#include <string_view>
#include <utility>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/Paths.h"
#include "common/ServedJoin.h"
#include "common/Text.h"
#include "download/FetchPipeline.h"
#include "download/TileContent.h"
#include "download/TileFailure.h"
#include "task/FailedFileScope.h"
#include "task/FailedRecord.h"

namespace kartovel {

namespace {
constexpr char kNotFoundText[] = ":Error: the image is not found on server.";

// A reset connection is asked again at once, up to kMaxResetRepeats times; any other
// failure is reported as it is. Only the answered attempt's bytes reach the tile file.
TileFailureClass RedownloadFailureClass(const HttpFailure& failure) {
  return MeansConnectionReset(ClassifiedText(failure)) ? TileFailureClass::Reset
                                                        : TileFailureClass::Other;
}

const FailureTable& RedownloadFailureTable() {
  static const FailureTable table = [] {
    FailureTable rules;
    rules.Classify = RedownloadFailureClass;
    rules.Rules[static_cast<std::size_t>(TileFailureClass::Reset)] = {
        FailureRule::Repeat::OwnBound, kMaxResetRepeats, std::chrono::milliseconds(0)};
    return rules;
  }();
  return table;
}

// The tile's extension without its dot, which chooses the content check.
std::string ExtensionOf(const std::string& tilePath) {
  const std::string extension = ExtractFileExt(tilePath);
  return extension.empty() ? extension : extension.substr(1);
}
}  // namespace

TfrmFlt::TfrmFlt(Platform& platform, HttpClientFactory makeClient)
    : platform_(platform), makeClient_(std::move(makeClient)) {}

TfrmFlt::~TfrmFlt() {
  view_ = nullptr;
  stop_.request_stop();
  WaitForRunThread();
}

void TfrmFlt::WaitForRunThread() {
  JoinServingEvents(runThread_, runThreadDone_, platform_);
}

void TfrmFlt::Show() {
  Visible = true;
  FormShow();
}

void TfrmFlt::Close() {
  Visible = false;
  stop_.request_stop();
}

void TfrmFlt::FormShow() {
  ClearMemo1();
}

void TfrmFlt::Button1Click() {
  if (running_) {
    return;
  }
  const auto fileName =
      platform_.OpenFileDialog("Open ftl file:", "Projects(*.ftl)|*.ftl", std::string());
  if (!fileName) {
    return;
  }
  ClearMemo1();
  RecordCount = FetchedCount = 0;
  EndedByError = false;
  // A Close from now on stops this run; the run before has handed off its end already.
  stop_ = std::stop_source();
  std::unique_ptr<HttpClient> client = makeClient_([this] {
    HttpClientOptions options = RedownloadRequestProfile();
    options.Stop = stop_.get_token();
    return options;
  }());
  Lines records = ReadLines(*fileName);
  RecordCount = static_cast<int32_t>(records.size());
  if (records.empty()) {
    AppendToMemo1("No failed files records.");
    return;
  }
  FailedFileScope scope(*fileName);
  AppendToMemo1("Start...");
  platform_.ProcessPendingEvents();
  // The thread of the run before is over (its end was handed off), so this is quick.
  WaitForRunThread();
  runThreadDone_.store(false);
  running_ = true;
  ProgressText.clear();
  if (view_ != nullptr) {
    view_->RunChanged();
  }
  runThread_ = std::thread([this](Run run) { RunRecords(std::move(run)); },
                           Run{std::move(client), std::move(records), std::move(scope), pane_, stop_.get_token()});
}

void TfrmFlt::RunRecords(Run run) {
  try {
    bool ended = false;
    const std::size_t count = run.Records.size();
    for (std::size_t index = 0; index < count && !ended && !run.Stop.stop_requested(); ++index) {
      ReportProgress(std::to_string(index + 1) + " of " + std::to_string(count));
      ended = DownloadRecord(run, run.Records[index]) == RecordOutcome::EndRun;
    }
    run.Client.reset();
    Report(run.Pane, "Download End.");
  } catch (...) {
    // A tile that cannot be written ends the run through the general error display,
    // without "Download End.", as an error leaving the handler would.
    std::string message = CurrentErrorMessage();
    try {
      ReportError(std::move(message));
    } catch (...) {
    }
  }
  try {
    ReportEnd();
  } catch (...) {
  }
  runThreadDone_.store(true);
}

TfrmFlt::RecordOutcome TfrmFlt::DownloadRecord(const Run& run, const std::string& record) {
  const FailedRecord tile = SplitFailedRecord(record);
  if (const auto refusal = run.Scope.Refusal(tile)) {
    Report(run.Pane, *refusal);
    return RecordOutcome::Next;
  }
  const std::string extension = ExtensionOf(tile.TilePath);
  const FetchRequest request{
      tile.TileUrl,
      [&extension](const std::string& body) { return CheckTileContent(extension, body); },
      [&tile](std::string& body) { WriteFileAtomically(tile.TilePath, body); }};
  FetchPipeline pipeline(*run.Client, RedownloadFailureTable(), clock_, run.Stop);
  const FetchResult result = pipeline.Fetch(request);
  switch (result.Result) {
    case FetchResult::Outcome::Stored:
      CountFetched();
      Report(run.Pane, tile.TilePath + ":" + tile.TileUrl + " ->OK");
      return RecordOutcome::Next;
    case FetchResult::Outcome::StoreFailed:
      std::rethrow_exception(result.StoreError);  // ends the run through the error display
    case FetchResult::Outcome::Stopped:
      return RecordOutcome::EndRun;  // closed: the record is neither fetched nor failed
    case FetchResult::Outcome::NotModified:
      return RecordOutcome::Next;  // never answered: the re-download sends no validators
    case FetchResult::Outcome::GivenUp:
      break;
  }
  const std::string& message = result.Failure->Message;
  Report(run.Pane, message + "->" + tile.TileUrl);
  const std::string classified = ClassifiedText(*result.Failure);
  if (MeansRefused(classified)) {
    Report(run.Pane, kBannedLine);
    return RecordOutcome::EndRun;
  }
  if (Contains(classified, "404")) {
    Report(run.Pane, tile.TileUrl + kNotFoundText);
  }
  return RecordOutcome::Next;
}

void TfrmFlt::Report(uint64_t pane, std::string line) {
  platform_.RunBlocking([this, pane, &line] {
    if (pane == pane_) {
      AppendToMemo1(std::move(line));
    }
  });
}

void TfrmFlt::CountFetched() {
  platform_.RunBlocking([this] { ++FetchedCount; });
}

void TfrmFlt::ReportProgress(std::string text) {
  platform_.RunBlocking([this, &text] {
    ProgressText = std::move(text);
    if (view_ != nullptr) {
      view_->RunChanged();
    }
  });
}

void TfrmFlt::ReportError(std::string message) {
  platform_.RunBlocking([this, &message] {
    EndedByError = true;
    platform_.ShowError(ErrorDisplayText(message));
  });
}

void TfrmFlt::ReportEnd() {
  platform_.RunBlocking([this] {
    running_ = false;
    ProgressText.clear();
    if (view_ != nullptr) {
      view_->RunChanged();
    }
  });
}

void TfrmFlt::AppendToMemo1(std::string line) {
  Memo1.push_back(std::move(line));
  if (view_ != nullptr) {
    view_->Memo1LinesAppended(Memo1.size() - 1);
  }
}

void TfrmFlt::ClearMemo1() {
  ++pane_;
  Memo1.clear();
  if (view_ != nullptr) {
    view_->Memo1Cleared();
  }
}

}  // namespace kartovel
