// Everything a download-worker test needs around the workers: a sandbox holding the task's
// folder and a program folder with a blank image, a task whose tile range the test
// chooses, a fake clock, a recording owner, an inline hand-off and a scripted tile service.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "download/unit3.h"
#include "support/FakeClock.h"
#include "support/InlineDispatcher.h"
#include "support/RecordingOwner.h"
#include "support/Sandbox.h"
#include "support/ScriptedHttpClient.h"
#include "task/Unitclasstask.h"

namespace kartovel::testing {

struct TileRange {
  int32_t MinX = 10;
  int32_t MaxX = 10;
  int32_t MinY = 20;
  int32_t MaxY = 20;
};

class WorkerRig {
 public:
  static constexpr const char* kBlankBytes = "BLANK-IMAGE";

  // ThreadCount is lowered to the tile count, as the Start command does.
  explicit WorkerRig(TileRange range = {}, int32_t threadCount = 8,
                     std::string tileHost = "tiles.test");

  // The context the workers get, with MakeClient as their client factory.
  WorkerContext Context();
  WorkerContext Context(HttpClientFactory factory);

  // Creates ThreadCount workers, suspended; StartAll starts them.
  void CreateWorkers();
  void StartAll();
  // Waits (a bounded time) until every worker has reported its end; the workers stay for
  // the test to read their positions. False when some worker did not end in time.
  bool WaitForEnds();
  // Creates and starts every worker of the run and waits for their ends.
  bool RunToEnd();

  std::string BlankImagePath() const;
  std::string ReadTile(int32_t x, int32_t y) const;
  bool TileExists(int32_t x, int32_t y) const;

  Sandbox Box;
  std::string ProgramFolder;
  TaskParameters Params;
  std::unique_ptr<DownloadTask> Task;
  FakeClock Time;
  RecordingOwner Owner;
  InlineDispatcher Dispatcher;
  ScriptedHttpClient Http;
  HttpClientFactory MakeClient;  // the scripted service unless the test sets another
  std::vector<std::unique_ptr<TDownThread>> Workers;
};

}  // namespace kartovel::testing
