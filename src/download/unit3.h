// One download worker of a run: walks the task's whole tile range, fetches the tiles
// whose serial falls to it, and reports to the user-interface thread in lines.
//
// Life of a worker: Starting (client, blank image path, resume skip, start delay of
// Index x 100 ms) -> Walking (one tile at a time through FetchTile) -> Ending (the
// "Finished." line and ReportEnd, on every way out) -> Over (the owner destroys it,
// which joins the thread). StopRequested is looked at before each tile, and the HTTP
// client and the long pauses hold its token, so the request in progress ends at once:
// a tile cut so is left unsettled, without a line, and a resumed run fetches it again.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "common/Clock.h"
#include "common/StopFlag.h"
#include "common/UiDispatcher.h"
#include "download/HttpClient.h"
#include "download/RefusalDetector.h"
#include "download/TileFailure.h"
#include "download/TileValidatorIndex.h"
#include "task/Unitclasstask.h"

namespace kartovel {

class TDownThread;

// What a report was about, so that the window can count progress without parsing text.
enum class ReportKind { Info, Fetched, Blank, Failure, Finished };

// The user-interface side of the workers (the main window). Every call runs on the
// user-interface thread, inside a blocking hand-off, while the worker waits.
class WorkerOwner {
 public:
  virtual ~WorkerOwner() = default;
  virtual void ShowStatus(const TDownThread& worker) = 0;     // StatusText -> log pane
  virtual void RecordFailure(const TDownThread& worker) = 0;  // StatusText -> failed-tile pane
  virtual void ReportEnd(const TDownThread& worker) = 0;      // one worker fewer running
};

// Everything a worker takes from its surroundings.
struct WorkerContext {
  WorkerOwner& Owner;
  UiDispatcher& Dispatcher;
  Clock& Time;
  std::string ProgramFolder;     // ends with the path separator
  HttpClientFactory MakeClient;  // CreateCurlHttpClient in the program
  // Told of what the server said of each stored tile; none: nothing is kept.
  TileValidatorIndex* Validators = nullptr;
  // The run's count of refusals across its workers; null: every refusal is settled at
  // once by the failure table.
  RefusalDetector* Refusals = nullptr;
};

// Held: the tile was refused and waits, unsettled, for the verdict on its row of
// refusals; the walk goes on without moving the position past it.
enum class FetchOutcome { Settled, EndWorker, Held };

class TDownThread {
 public:
  // Starts the thread at once unless CreateSuspended (then Start() starts it).
  TDownThread(bool CreateSuspended, int32_t Index, DownloadTask& Task, WorkerContext context);
  // Waits for the thread to end.
  ~TDownThread();
  TDownThread(const TDownThread&) = delete;
  TDownThread& operator=(const TDownThread&) = delete;

  void Start();
  void RequestStop() { StopRequested.Request(); }

  int32_t LastX() const;
  int32_t LastY() const;
  // Column and row of the last settled tile, read together (never of two tiles).
  std::pair<int32_t, int32_t> LastPosition() const;

  DownloadTask& Task;
  std::string StatusText;  // written by the worker just before each hand-off
  ReportKind LastReportKind = ReportKind::Info;
  const int32_t Index;
  StopFlag StopRequested;  // set by RequestStop, never cleared

  // The fetch of one tile (public so that tests can drive it on their own thread).
  FetchOutcome FetchTile(HttpClient& client, int32_t x, int32_t y, int32_t walkSerial);

 private:
  void Run();
  // The parts of Run: the client (none when the proxy port is refused), the walk over
  // the range, and the ending steps that every way out of Run passes through.
  std::unique_ptr<HttpClient> OpenClient();
  int64_t SkipCount() const;
  void Walk(HttpClient& client, int64_t skipCount);
  void RunEndingSteps() noexcept;
  // The outcomes of one tile.
  FetchOutcome TileStored(const TileAddress& tile, int32_t walkSerial);
  // Notes a stored tile's validators in the index, before the report that moves its
  // position, so that the save covering the position commits them.
  void NoteValidators(const TileAddress& tile, const ValidatorHeaders& headers);
  FetchOutcome TileNotStored(const TileAddress& tile, const std::exception_ptr& error);
  FetchOutcome GiveUp(TileFailureClass failureClass, const std::string& message,
                      const TileAddress& tile);
  void SubstituteBlank(const TileAddress& tile);
  // Refused tiles held back while their row of refusals may still become a storm: in a
  // storm they stay unsettled (a continued run asks for them again); once the row is
  // broken they are settled by the failure table, in walk order, before any later tile,
  // so the position never passes a tile that is not settled.
  FetchOutcome HoldRefused(TileFailureClass failureClass, const std::string& message,
                           const TileAddress& tile);
  FetchOutcome SettleHeld();
  void SettleHeldIfRowBroken();
  FetchOutcome ResolveHeld();
  std::string Prefix() const;  // "T" and the worker's number counted from 1
  // "host:port" of the proxy the requests go through; empty without one.
  std::string ProxyInUse() const;
  // One second for map type 3; a source's own pause.
  std::chrono::milliseconds PauseAfterFetchedTile() const;

  void Report(ReportKind kind, std::string text);
  void Record(std::string text);
  void SetLastPosition(int32_t x, int32_t y);

  WorkerContext context_;
  std::string blankImagePath_;
  std::atomic<uint64_t> lastPosition_{0};
  struct HeldTile {
    TileAddress Tile;
    TileFailureClass GivenUpAs;
    std::string Message;
  };
  std::vector<HeldTile> held_;
  uint64_t heldRow_ = 0;  // the detector's broken rows when the first held tile was refused
  std::thread thread_;
};

}  // namespace kartovel
