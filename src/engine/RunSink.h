// What a run tells its owner, as values, on the user-interface thread: the log and the
// failed-tile records as they grow, the progress figures, the monitor's state, the start
// and the end of the run, and the faults and questions of its start.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/LineFile.h"
#include "engine/RunRequest.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// Progress figures of the current (or last) run, for a progress bar. Tiles a continued run
// had settled before are counted as settled from the start.
struct RunProgress {
  int32_t TotalCount = 0;              // tiles in the run's range
  int32_t SettledCount = 0;            // fetched or replaced by the blank image
  int32_t FailedCount = 0;             // failed-tile records added by this run
  int32_t BlankCount = 0;              // tiles replaced by the blank image in this run
  int32_t SettledThisRun = 0;          // settled since this Start (the rate's base)
  int32_t ElapsedSeconds = 0;          // monitor ticks of this run
  double TilesPerMinute = 0;           // SettledThisRun over the elapsed time; 0 until a tick
  std::optional<int64_t> SecondsLeft;  // estimate from the rate; none while the rate is 0
  // Once a run has ended with workers that stopped before their shares were done (and
  // not because the user pressed Stop): the last error line of the first of them by number.
  std::string EndedEarly;
};

// A run that has ended: its closing lines are in the log and its files are saved.
struct RunSummary {
  std::string TaskFilePath;
  RunProgress Progress;
  size_t FailedRecords = 0;  // lines of the failed-tile file, earlier runs' included
  bool Stopped = false;      // Stop was asked during the run
  // A storm of refusals paused the run: what the server answered and what to do, in one
  // line (the log has it in two). Empty when the run was not refused so.
  std::string RefusedByServer;
};

// Every call comes on the user-interface thread, after the change. The bodies do nothing,
// so an owner overrides what it shows.
class RunSink {
 public:
  virtual ~RunSink() = default;
  // The request was refused (the run did not start).
  virtual void Refused(const RequestFault& /*fault*/) {}
  // A fresh run would replace the task file of another request: true goes on.
  virtual bool Confirm(const std::string& /*question*/) { return false; }
  // The log was read back from its file as a whole, then grows a line at a time.
  virtual void LogReplaced(const Lines& /*log*/) {}
  virtual void LogLine(const std::string& /*line*/) {}
  // The same two for the failed-tile records.
  virtual void FailedReplaced(const Lines& /*records*/) {}
  virtual void FailedRecord(const std::string& /*record*/) {}
  // A tile list that takes more than a second to write: how far it is (percent of its
  // tiles), then none once the writing has ended. Stop ends the writing meanwhile; a
  // front end whose thread this blocks serves its events here.
  virtual void ListWriting(std::optional<int32_t> /*percent*/) {}
  // The run's files are written and its panes loaded; the workers start next.
  virtual void RunStarted(const DownloadTask& /*task*/) {}
  virtual void ProgressChanged(const RunProgress& /*progress*/) {}
  // The one-second monitor was switched on or off.
  virtual void MonitorChanged(bool /*running*/) {}
  // A tick of the monitor passed without ending the run.
  virtual void Ticked(const RunProgress& /*progress*/, int32_t /*ticks*/) {}
  // A storm of refusals paused every worker: the explanation, once per run, as it went
  // to the log (what happened, then what to do).
  virtual void ServerRefused(const std::string& /*what*/, const std::string& /*advice*/) {}
  virtual void RunEnded(const RunSummary& /*summary*/) {}
};

}  // namespace kartovel
