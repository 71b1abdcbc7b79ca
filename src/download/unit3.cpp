// One download worker: its thread, the walk over the task's range and the fetch of a tile
// with the repeats, blank substitution and reports that each failure class calls for.
#include "download/unit3.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <optional>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IntegerText.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "download/FetchPipeline.h"
#include "download/ProxyFailureText.h"
#include "download/TileContent.h"
#include "task/FailedRecord.h"

namespace kartovel {

namespace {

using std::chrono::milliseconds;

constexpr milliseconds kStartSpreadPerWorker{100};
constexpr milliseconds kPauseAfterFetchedTile{1000};

const char* const kNetworkLine = "Error: Your network has problem, please check it.";
const char* const kNotFoundLine = "Error: the image is not found on server.";

// A port number written in decimal (an optional sign, digits; leading blanks skipped)
// that names a usable TCP port. Hexadecimal and anything else are refused.
std::optional<int32_t> ParseProxyPort(std::string_view text) {
  std::string_view digits = TrimLeadingBlanks(text, kSpaces);
  if (!digits.empty() && (digits.front() == '+' || digits.front() == '-')) {
    digits.remove_prefix(1);
  }
  if (digits.empty() || digits.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::optional<int32_t> port = ParseIntegerText(text);
  if (!port || *port < 1 || *port > 65535) {
    return std::nullopt;
  }
  return port;
}

uint64_t PackPosition(int32_t x, int32_t y) {
  return (uint64_t{static_cast<uint32_t>(x)} << 32) | uint64_t{static_cast<uint32_t>(y)};
}

}  // namespace

TDownThread::TDownThread(bool CreateSuspended, int32_t Index, DownloadTask& Task,
                         WorkerContext context)
    : Task(Task),
      Index(Index),
      context_(std::move(context)),
      blankImagePath_(BlankImagePath(context_.ProgramFolder, Task.TileExtension())) {
  // Counted before its thread runs, so that no other worker takes it for one that has
  // nothing more to answer.
  if (context_.Refusals) {
    context_.Refusals->Join();
  }
  if (!CreateSuspended) {
    try {
      Start();
    } catch (...) {
      if (context_.Refusals) {
        context_.Refusals->Leave();
      }
      throw;
    }
  }
}

TDownThread::~TDownThread() {
  if (thread_.joinable()) {
    thread_.join();
  }
}

void TDownThread::Start() {
  if (!thread_.joinable()) {
    thread_ = std::thread([this] { Run(); });
  }
}

int32_t TDownThread::LastX() const {
  return LastPosition().first;
}

int32_t TDownThread::LastY() const {
  return LastPosition().second;
}

std::pair<int32_t, int32_t> TDownThread::LastPosition() const {
  const uint64_t packed = lastPosition_.load();
  return {static_cast<int32_t>(static_cast<uint32_t>(packed >> 32)),
          static_cast<int32_t>(static_cast<uint32_t>(packed))};
}

void TDownThread::SetLastPosition(int32_t x, int32_t y) {
  lastPosition_.store(PackPosition(x, y));
}

milliseconds TDownThread::PauseAfterFetchedTile() const {
  const MapSource* source = Task.SourceInUse();
  return source ? milliseconds(source->PauseMs) : kPauseAfterFetchedTile;
}

std::string TDownThread::Prefix() const {
  return "T" + std::to_string(Index + 1);
}

void TDownThread::Report(ReportKind kind, std::string text) {
  StatusText = std::move(text);
  LastReportKind = kind;
  context_.Dispatcher.RunBlocking([this] { context_.Owner.ShowStatus(*this); });
}

void TDownThread::Record(std::string text) {
  StatusText = std::move(text);
  LastReportKind = ReportKind::Failure;
  context_.Dispatcher.RunBlocking([this] { context_.Owner.RecordFailure(*this); });
}

void TDownThread::Run() {
  try {
    // The client lives in this block only, so it is released before the ending steps
    // on every way out, an exception included.
    const std::unique_ptr<HttpClient> client = OpenClient();
    if (client) {
      Walk(*client, SkipCount());
    }
  } catch (const std::exception& error) {
    try {
      Report(ReportKind::Failure, Prefix() + " Error: " + error.what());
    } catch (...) {
    }
  } catch (...) {
    try {
      Report(ReportKind::Failure, Prefix() + " Error: unexpected failure.");
    } catch (...) {
    }
  }
  RunEndingSteps();
}

std::unique_ptr<HttpClient> TDownThread::OpenClient() {
  const MapSource* source = Task.SourceInUse();
  HttpClientOptions options = source ? SourceRequestProfile(*source) : WorkerRequestProfile();
  const TaskParameters& params = Task.Params;
  if (params.UseProxy) {
    // Without a proxy server or a usable port no request goes out: sending directly, or
    // to a port the client would pick itself, would bypass the proxy the user asked for.
    if (params.ProxyServer.empty()) {
      Report(ReportKind::Failure, Prefix() + " Error: the proxy is on but no proxy server is set.");
      return nullptr;
    }
    const std::optional<int32_t> port = ParseProxyPort(params.ProxyPort);
    if (!port) {
      Report(ReportKind::Failure, Prefix() + " Error: the proxy port \"" + params.ProxyPort +
                                      "\" is not a decimal port number from 1 to 65535.");
      return nullptr;
    }
    options.Proxy =
        HttpProxy{params.ProxyServer, *port, params.ProxyUsername, params.ProxyPassword};
  }
  // A Stop ends the request in progress too, not only the walk.
  options.Stop = StopRequested.Token();
  std::unique_ptr<HttpClient> client = context_.MakeClient(options);
  if (!client) {
    throw std::runtime_error("the HTTP client could not be created.");
  }
  return client;
}

// The serial of the saved position; 0 (nothing skipped) when either saved value is 0.
int64_t TDownThread::SkipCount() const {
  const int64_t resumeX = Task.ResumeX.at(Index);
  const int64_t resumeY = Task.ResumeY.at(Index);
  if (resumeX == 0 || resumeY == 0) {
    return 0;
  }
  const int64_t rowsPerColumn = int64_t{Task.MaxY} - Task.MinY + 1;
  return (resumeX - Task.MinX) * rowsPerColumn + (resumeY - Task.MinY) + 1;
}

void TDownThread::Walk(HttpClient& client, int64_t skipCount) {
  const int64_t minX = Task.MinX;
  const int64_t maxX = Task.MaxX;
  const int64_t minY = Task.MinY;
  const int64_t maxY = Task.MaxY;
  const int64_t workerCount = Task.Params.ThreadCount;
  if (workerCount < 1) {
    throw std::invalid_argument("the run has no workers.");
  }
  context_.Time.Sleep(kStartSpreadPerWorker * Index);

  int64_t walkSerial = 0;
  for (int64_t x = minX; x <= maxX; ++x) {
    for (int64_t y = minY; y <= maxY; ++y) {
      if (StopRequested.load()) {
        return;
      }
      ++walkSerial;
      // A shaped task walks its whole range, so serials keep their meaning, and fetches
      // only what the shape covers.
      if (walkSerial > skipCount && walkSerial % workerCount == Index &&
          Task.Covers(static_cast<int32_t>(x), static_cast<int32_t>(y))) {
        SettleHeldIfRowBroken();
        const FetchOutcome outcome =
            FetchTile(client, static_cast<int32_t>(x), static_cast<int32_t>(y),
                      static_cast<int32_t>(walkSerial));
        if (outcome == FetchOutcome::EndWorker) {
          return;
        }
      }
    }
  }
  ResolveHeld();
}

void TDownThread::RunEndingSteps() noexcept {
  if (context_.Refusals) {
    try {
      context_.Refusals->Leave();
    } catch (...) {
    }
  }
  try {
    Report(ReportKind::Finished, Prefix() + " Finished.");
  } catch (...) {
  }
  try {
    context_.Dispatcher.RunBlocking([this] { context_.Owner.ReportEnd(*this); });
  } catch (...) {
  }
}

FetchOutcome TDownThread::FetchTile(HttpClient& client, int32_t x, int32_t y, int32_t walkSerial) {
  const TileAddress tile = Task.AddressOf(x, y);
  const std::string extension = Task.TileExtension();
  const FetchRequest request{
      tile.Url,
      // Only an image of the tile's type becomes the tile: an error page, an empty answer
      // or anything else fails in the "other" class.
      [&extension](const std::string& body) { return CheckTileContent(extension, body); },
      [this, &tile](std::string& body) { WriteFileAtomically(tile.Path, body, Task.TileWrites); }};
  FetchPipeline pipeline(client, WorkerFailureTable(), context_.Time, StopRequested.Token());
  pipeline.WatchRefusals(context_.Refusals);
  FetchResult result = pipeline.Fetch(request);
  switch (result.Result) {
    case FetchResult::Outcome::Stored:
      std::string().swap(result.Body);
      NoteValidators(tile, result.Headers);
      SettleHeld();
      return TileStored(tile, walkSerial);
    case FetchResult::Outcome::StoreFailed:
      SettleHeld();
      return TileNotStored(tile, result.StoreError);
    case FetchResult::Outcome::NotModified:  // never answered: a run sends no validators
    case FetchResult::Outcome::Stopped:
      // Cut short by Stop or by a storm of refusals: neither fetched nor failed, like the
      // tiles held before it. The position stays at the tile before them, so a resumed
      // run fetches them again.
      return FetchOutcome::EndWorker;
    case FetchResult::Outcome::GivenUp:
      break;
  }
  if (context_.Refusals && IsRefusal(*result.Failure)) {
    return HoldRefused(result.GivenUpAs, result.Failure->Message, tile);
  }
  SettleHeld();
  return GiveUp(result.GivenUpAs, result.Failure->Message, tile);
}

void TDownThread::NoteValidators(const TileAddress& tile, const ValidatorHeaders& headers) {
  if (context_.Validators == nullptr) {
    return;
  }
  const std::time_t now = std::time(nullptr);
  context_.Validators->Note({tile.Tile, ValidatorsOf(headers, now), now});
}

FetchOutcome TDownThread::HoldRefused(TileFailureClass failureClass, const std::string& message,
                                      const TileAddress& tile) {
  SettleHeldIfRowBroken();
  if (held_.empty()) {
    heldRow_ = context_.Refusals->RowsBroken();
  }
  held_.push_back({tile, failureClass, message});
  if (failureClass != TileFailureClass::Refused) {
    return FetchOutcome::Held;
  }
  // The failure table ends this worker here (the ban line): it asks for nothing more, so
  // it waits for the verdict on its row.
  const FetchOutcome outcome = ResolveHeld();
  return outcome == FetchOutcome::Settled ? FetchOutcome::EndWorker : outcome;
}

FetchOutcome TDownThread::SettleHeld() {
  FetchOutcome outcome = FetchOutcome::Settled;
  std::vector<HeldTile> held;
  held.swap(held_);
  for (const HeldTile& tile : held) {
    if (GiveUp(tile.GivenUpAs, tile.Message, tile.Tile) == FetchOutcome::EndWorker) {
      outcome = FetchOutcome::EndWorker;
    }
  }
  return outcome;
}

void TDownThread::SettleHeldIfRowBroken() {
  if (!held_.empty() && context_.Refusals->RowsBroken() != heldRow_) {
    SettleHeld();
  }
}

FetchOutcome TDownThread::ResolveHeld() {
  if (held_.empty()) {
    return FetchOutcome::Settled;
  }
  switch (context_.Refusals->AwaitVerdict(heldRow_, StopRequested.Token())) {
    case RefusalDetector::Verdict::Storm:
    case RefusalDetector::Verdict::Stopped:
      held_.clear();
      return FetchOutcome::EndWorker;
    case RefusalDetector::Verdict::Broken:
    case RefusalDetector::Verdict::Quiet:
      break;
  }
  return SettleHeld();
}

FetchOutcome TDownThread::TileStored(const TileAddress& tile, int32_t walkSerial) {
  Report(ReportKind::Fetched,
         Prefix() + ":seq=" + std::to_string(walkSerial) + "," + tile.FileName + " OK");
  SetLastPosition(tile.Tile.X, tile.Tile.Y);
  context_.Time.Sleep(PauseAfterFetchedTile());
  return FetchOutcome::Settled;
}

FetchOutcome TDownThread::TileNotStored(const TileAddress& tile, const std::exception_ptr& error) {
  try {
    std::rethrow_exception(error);
  } catch (const std::exception& storeError) {
    // A tile that cannot be stored (folder gone, disk full, no access) will fail for the
    // next tiles too: record it for a later re-download and end this worker. The line
    // ends with the system's reason, which is what the user can act on.
    const auto* fileError = dynamic_cast<const FileError*>(&storeError);
    const std::string reason =
        fileError != nullptr && !fileError->Reason().empty() ? ": " + fileError->Reason() : "";
    Report(ReportKind::Failure, Prefix() + " " + storeError.what() + "->" + tile.Url + reason);
    Record(MakeFailedRecord(tile.Path, tile.Url));
    return FetchOutcome::EndWorker;
  }
}

std::string TDownThread::ProxyInUse() const {
  const TaskParameters& params = Task.Params;
  const std::optional<int32_t> port =
      params.UseProxy ? ParseProxyPort(params.ProxyPort) : std::nullopt;
  return port && !params.ProxyServer.empty() ? ProxyName(params.ProxyServer, *port) : std::string();
}

FetchOutcome TDownThread::GiveUp(TileFailureClass failureClass, const std::string& message,
                                 const TileAddress& tile) {
  // Through a proxy, a connection that fails is the proxy's: the lines name it.
  const std::optional<std::string> proxyFailure = failureClass == TileFailureClass::Network
                                                      ? ProxyFailureSentence(ProxyInUse(), message)
                                                      : std::nullopt;
  const std::string failureLine =
      Prefix() + " " + message + "->" + tile.Url + (proxyFailure ? ": " + *proxyFailure : "");
  switch (failureClass) {
    case TileFailureClass::Refused:
      Report(ReportKind::Failure, failureLine);
      Record(MakeFailedRecord(tile.Path, tile.Url));
      Report(ReportKind::Failure, kBannedLine);
      return FetchOutcome::EndWorker;
    case TileFailureClass::Network:
      Report(ReportKind::Failure, failureLine);
      Record(MakeFailedRecord(tile.Path, tile.Url));
      Report(ReportKind::Failure,
             std::string(kNetworkLine) + (proxyFailure ? " " + *proxyFailure : ""));
      return FetchOutcome::EndWorker;
    case TileFailureClass::NotFound:
      Report(ReportKind::Failure, kNotFoundLine + message);
      SubstituteBlank(tile);
      return FetchOutcome::Settled;
    case TileFailureClass::Bare:
      Report(ReportKind::Failure, tile.FileName + ":failed ->" + tile.Url);
      Record(MakeFailedRecord(tile.Path, tile.Url));
      SubstituteBlank(tile);
      return FetchOutcome::Settled;
    case TileFailureClass::Reset:
    case TileFailureClass::AddressInUse:
    case TileFailureClass::Other:
      break;
  }
  Report(ReportKind::Failure, failureLine);
  Record(MakeFailedRecord(tile.Path, tile.Url));
  SubstituteBlank(tile);
  return FetchOutcome::Settled;
}

void TDownThread::SubstituteBlank(const TileAddress& tile) {
  // The copy never replaces a file that is already there; whether it worked is not
  // looked at, so a missing blank image still settles the tile.
  CopyFileNoReplace(blankImagePath_, tile.Path, Task.TileWrites);
  Report(ReportKind::Blank, Prefix() + ":" + std::to_string(tile.Tile.X) + "-" + std::to_string(tile.Tile.Y) +
                                " got a blank image!");
  SetLastPosition(tile.Tile.X, tile.Tile.Y);
}

}  // namespace kartovel
