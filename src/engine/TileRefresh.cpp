// The refresh of a task's tiles: the choice of the due tiles and the workers that ask
// for them again.
#include "engine/TileRefresh.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <unordered_map>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/IntegerText.h"
#include "download/TileContent.h"
#include "download/TileFailure.h"
#include "engine/RunRequest.h"
#include "task/FailedRecord.h"

namespace kartovel {
namespace {

// The index is committed (after a sync of the tiles it covers) every this many tiles,
// so that a kill loses at most that much of a long refresh.
constexpr int64_t kTilesBetweenCommits = 64;

constexpr std::chrono::milliseconds kBuiltInPause{1000};

// The time of a tile's regular file; none for anything else (a link or a pipe in the tile
// folder is no tile the program wrote, and reading a pipe would wait for ever).
std::optional<std::time_t> FileTime(const std::string& path) {
  struct stat status {};
  if (lstat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return std::nullopt;
  }
  return status.st_mtime;
}

// Brings a kept file's time forward: it is as current as a file fetched now.
void TouchFile(const std::string& path) {
  utimensat(AT_FDCWD, path.c_str(), nullptr, 0);
}

// The validators a 304 leaves: the answer's own where it gave them, else the old ones;
// an answer that said nothing of freshness keeps the freshness the tile had.
TileValidators RevalidatedValidators(const TileValidators& before, int64_t fetchedBefore,
                                     const ValidatorHeaders& headers, std::time_t now) {
  TileValidators after = ValidatorsOf(headers, now);
  if (after.ETag.empty()) {
    after.ETag = before.ETag;
  }
  if (!after.LastModified) {
    after.LastModified = before.LastModified;
  }
  if (!after.Expires && before.Expires) {
    after.Expires = now + std::max<int64_t>(*before.Expires - fetchedBefore, 0);
  }
  return after;
}

}  // namespace

TileRefresh::TileRefresh(DownloadTask& task, TileValidatorIndex& index, Clock& time,
                         HttpClientFactory makeClient, RefreshSink& sink)
    : task_(task), index_(index), time_(time), makeClient_(std::move(makeClient)), sink_(sink) {}

std::vector<TileId> TileRefresh::DueTiles(const RefreshChoice& choice) const {
  std::unordered_map<TileId, IndexedTile> known;
  for (IndexedTile& entry : index_.Entries()) {
    known.emplace(entry.Tile, std::move(entry));
  }
  std::vector<TileId> due;
  task_.Coverage().ForEachCovered([&](const TileId& tile) {
    const auto entry = known.find(tile);
    std::optional<int64_t> fetchedAt;
    if (entry != known.end()) {
      fetchedAt = entry->second.FetchedAt;
    } else if (const auto fileTime = FileTime(task_.TilePath(tile.X, tile.Y))) {
      fetchedAt = *fileTime;
    }
    if (!fetchedAt) {
      return true;  // never downloaded: a run's tile, not a refresh's
    }
    const bool expired = entry != known.end() && entry->second.Validators.Expires &&
                         *entry->second.Validators.Expires <= choice.Now;
    const bool old = choice.OlderThanSeconds && choice.Now - *fetchedAt >= *choice.OlderThanSeconds;
    if (expired || old) {
      due.push_back(tile);
    }
    return true;
  });
  return due;
}

RefreshCounts TileRefresh::Run(const std::vector<TileId>& due, std::stop_token stop) {
  {
    std::lock_guard lock(mutex_);
    due_ = &due;
    next_ = 0;
    counts_ = RefreshCounts{};
    counts_.Due = static_cast<int64_t>(due.size());
    failed_.clear();
  }
  const MapSource* source = task_.SourceInUse();
  const int64_t wanted = source ? source->Workers : task_.Params.ThreadCount;
  const auto workers = static_cast<int32_t>(
      std::clamp<int64_t>(std::min<int64_t>(wanted, static_cast<int64_t>(due.size())), 0,
                          kWorkerSlots));
  {
    std::vector<std::jthread> threads;
    for (int32_t i = 0; i < workers; ++i) {
      threads.emplace_back([this, i, stop] { Work(i, stop); });
    }
  }
  task_.TileWrites.SyncPending();
  if (!index_.Commit()) {
    Tell(index_.FailureText() + "; the next refresh asks for these tiles again.");
  }
  std::lock_guard lock(mutex_);
  due_ = nullptr;
  return counts_;
}

HttpClientOptions TileRefresh::ClientOptions(std::stop_token stop) const {
  const MapSource* source = task_.SourceInUse();
  HttpClientOptions options = source ? SourceRequestProfile(*source) : WorkerRequestProfile();
  const TaskParameters& params = task_.Params;
  if (params.UseProxy) {
    const std::optional<int32_t> port = ParseIntegerText(params.ProxyPort);
    if (params.ProxyServer.empty() || !port || *port < 1 || *port > 65535) {
      // Sending directly would bypass the proxy the user asked for.
      throw AppError("The proxy is on but its server or port \"" + params.ProxyPort +
                     "\" cannot be used.");
    }
    options.Proxy = HttpProxy{params.ProxyServer, *port, params.ProxyUsername, params.ProxyPassword};
  }
  options.Stop = std::move(stop);
  return options;
}

void TileRefresh::Work(int32_t worker, std::stop_token stop) {
  try {
    // Spread the first requests like a run's workers.
    time_.Sleep(std::chrono::milliseconds(100) * worker);
    const std::unique_ptr<HttpClient> client = makeClient_(ClientOptions(stop));
    const MapSource* source = task_.SourceInUse();
    const std::chrono::milliseconds pause =
        source ? std::chrono::milliseconds(source->PauseMs) : kBuiltInPause;
    for (;;) {
      TileId tile;
      {
        std::lock_guard lock(mutex_);
        if (stop.stop_requested() || next_ >= due_->size()) {
          return;
        }
        tile = (*due_)[next_++];
      }
      const TileEnd end = RefreshTile(*client, worker, tile, stop);
      if (end == TileEnd::EndWorker) {
        return;
      }
      Count(end);
      if (end != TileEnd::Failed && !stop.stop_requested()) {
        time_.Sleep(pause);
      }
    }
  } catch (const std::exception& error) {
    Tell("T" + std::to_string(worker + 1) + " Error: " + error.what());
  }
}

TileRefresh::TileEnd TileRefresh::RefreshTile(HttpClient& client, int32_t worker,
                                              const TileId& tile, std::stop_token stop) {
  const TileAddress address = task_.AddressOf(tile.X, tile.Y);
  const std::string extension = task_.TileExtension();
  const std::optional<IndexedTile> before = index_.Find(tile);
  bool sameBytes = false;
  FetchRequest request{
      address.Url,
      [&extension](const std::string& body) { return CheckTileContent(extension, body); },
      [this, &address, &sameBytes](std::string& body) {
        // A server that sends the whole tile again, unchanged, leaves the file as it is.
        sameBytes = FileTime(address.Path) && ReadWholeFile(address.Path) == body;
        if (sameBytes) {
          TouchFile(address.Path);
        } else {
          WriteFileAtomically(address.Path, body, task_.TileWrites);
        }
      }};
  if (before && !before->Validators.Empty()) {
    request.Revalidate = before->Validators;
  }
  FetchPipeline pipeline(client, WorkerFailureTable(), time_, stop);
  FetchResult result = pipeline.Fetch(request);
  if (result.Result == FetchResult::Outcome::NotModified && !FileTime(address.Path)) {
    // The tile is current, but its file is gone: it is fetched whole.
    request.Revalidate.reset();
    result = pipeline.Fetch(request);
  }
  switch (result.Result) {
    case FetchResult::Outcome::Stored:
    case FetchResult::Outcome::NotModified:
      return Fetched(address, tile, result, before, sameBytes);
    case FetchResult::Outcome::Stopped:
      return TileEnd::EndWorker;  // neither refreshed nor failed: the next refresh asks again
    case FetchResult::Outcome::StoreFailed:
    case FetchResult::Outcome::GivenUp:
      break;
  }
  return Failed(worker, address, result);
}

TileRefresh::TileEnd TileRefresh::Fetched(const TileAddress& address, const TileId& tile,
                                          const FetchResult& result,
                                          const std::optional<IndexedTile>& before,
                                          bool sameBytes) {
  const std::time_t now = std::time(nullptr);
  const bool notModified = result.Result == FetchResult::Outcome::NotModified;
  TileValidators validators =
      notModified && before
          ? RevalidatedValidators(before->Validators, before->FetchedAt, result.Headers, now)
          : ValidatorsOf(result.Headers, now);
  if (notModified) {
    TouchFile(address.Path);
  }
  index_.Note({tile, std::move(validators), now});
  const bool unchanged = notModified || sameBytes;
  Tell(address.FileName + (unchanged ? " unchanged" : " changed"));
  return unchanged ? TileEnd::Unchanged : TileEnd::Changed;
}

TileRefresh::TileEnd TileRefresh::Failed(int32_t worker, const TileAddress& address,
                                         const FetchResult& result) {
  std::string reason = result.Failure ? result.Failure->Message : "";
  if (result.Result == FetchResult::Outcome::StoreFailed) {
    try {
      std::rethrow_exception(result.StoreError);
    } catch (const std::exception& error) {
      reason = error.what();
    }
  }
  {
    std::lock_guard lock(mutex_);
    failed_.push_back(MakeFailedRecord(address.Path, address.Url));
  }
  Tell("T" + std::to_string(worker + 1) + " " + reason + "->" + address.Url +
       ": the old file is kept.");
  // A server that turns the client away, a network that is down, or a disk that does not
  // take the tile: the next tiles would fare alike, so this worker asks no more.
  const bool ending = result.Result == FetchResult::Outcome::StoreFailed ||
                      result.GivenUpAs == TileFailureClass::Refused ||
                      result.GivenUpAs == TileFailureClass::Network;
  if (ending) {
    Count(TileEnd::Failed);
    if (result.GivenUpAs == TileFailureClass::Refused) {
      Tell(kBannedLine);
    }
    return TileEnd::EndWorker;
  }
  return TileEnd::Failed;
}

void TileRefresh::Count(TileEnd end) {
  RefreshCounts counts;
  {
    std::lock_guard lock(mutex_);
    counts_.Unchanged += end == TileEnd::Unchanged ? 1 : 0;
    counts_.Changed += end == TileEnd::Changed ? 1 : 0;
    counts_.Failed += end == TileEnd::Failed ? 1 : 0;
    counts = counts_;
    sink_.RefreshProgress(counts);
  }
  CommitEvery(counts.Done());
}

void TileRefresh::CommitEvery(int64_t settled) {
  if (settled % kTilesBetweenCommits != 0) {
    return;
  }
  task_.TileWrites.SyncPending();
  if (!index_.Commit()) {
    Tell(index_.FailureText() + "; the tiles are kept, their versions are written later.");
  }
}

void TileRefresh::Tell(const std::string& line) {
  std::lock_guard lock(mutex_);
  sink_.RefreshLine(line);
}

}  // namespace kartovel
