// Bringing a downloaded task up to date: every tile that is older than a given age or
// past the expiry its server gave is asked for again with the validators it was fetched
// with. An unchanged tile keeps its file (its time brought forward), a changed one
// replaces its file through the atomic writer, and one that now fails keeps its old file
// and is listed. It asks as politely as the task's run: the source's workers, request
// profile and pause after every tile, the workers' failure table.
//
// Threads: Run blocks its caller while workers of its own fetch; the sink is called from
// those workers, one call at a time. A stop ends the requests and pauses in progress;
// what was refreshed stays refreshed, for the index is committed as the refresh goes
// (after the tile files it covers are synced), so the same refresh again asks only for
// what is left.
#pragma once

#include <cstdint>
#include <ctime>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

#include "common/Clock.h"
#include "download/FetchPipeline.h"
#include "download/HttpClient.h"
#include "download/TileValidatorIndex.h"
#include "geometry/TileId.h"
#include "task/Unitclasstask.h"

namespace kartovel {

struct RefreshCounts {
  int64_t Due = 0;
  int64_t Unchanged = 0;
  int64_t Changed = 0;
  int64_t Failed = 0;
  int64_t Done() const { return Unchanged + Changed + Failed; }
};

// What a refresh tells its owner, from its workers' threads, one call at a time.
class RefreshSink {
 public:
  virtual ~RefreshSink() = default;
  virtual void RefreshLine(const std::string& line) = 0;
  virtual void RefreshProgress(const RefreshCounts& counts) = 0;
};

// Which tiles are due: those past their expiry, and those fetched at least OlderThan
// seconds before Now (a tile the index does not know counts from its file's time).
struct RefreshChoice {
  std::optional<int64_t> OlderThanSeconds;  // none: only the tiles past their expiry
  std::time_t Now = 0;
};

class TileRefresh {
 public:
  // task, index, clock and sink must outlive the refresh.
  TileRefresh(DownloadTask& task, TileValidatorIndex& index, Clock& time,
              HttpClientFactory makeClient, RefreshSink& sink);

  // The task's tiles that are due, in the walk's order: tiles with a file or an entry.
  std::vector<TileId> DueTiles(const RefreshChoice& choice) const;
  // Refreshes the tiles; returns when all are done, every worker has ended or stop was
  // requested.
  RefreshCounts Run(const std::vector<TileId>& due, std::stop_token stop);
  // "path|URL" of each tile that failed, in the order they failed.
  const std::vector<std::string>& FailedTiles() const { return failed_; }

 private:
  enum class TileEnd { Unchanged, Changed, Failed, EndWorker };

  void Work(int32_t worker, std::stop_token stop);
  TileEnd RefreshTile(HttpClient& client, int32_t worker, const TileId& tile,
                      std::stop_token stop);
  TileEnd Fetched(const TileAddress& address, const TileId& tile, const FetchResult& result,
                  const std::optional<IndexedTile>& before, bool sameBytes);
  TileEnd Failed(int32_t worker, const TileAddress& address, const FetchResult& result);
  HttpClientOptions ClientOptions(std::stop_token stop) const;
  void Count(TileEnd end);
  void Tell(const std::string& line);
  void CommitEvery(int64_t settled);

  DownloadTask& task_;
  TileValidatorIndex& index_;
  Clock& time_;
  HttpClientFactory makeClient_;
  RefreshSink& sink_;
  std::mutex mutex_;  // guards the members below and serialises the sink
  const std::vector<TileId>* due_ = nullptr;
  std::size_t next_ = 0;
  RefreshCounts counts_;
  std::vector<std::string> failed_;
};

}  // namespace kartovel
