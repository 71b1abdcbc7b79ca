// The command line's side of a job of runs: what it prints while the runs go on, and the
// loop that serves the workers' hand-offs and ticks the job once per second of program
// time. A download, a continue and the queue's jobs all go through them.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "app/HandlerGuard.h"
#include "cli/CliArguments.h"
#include "cli/CommandContext.h"
#include "cli/ProgressLine.h"
#include "cli/TerminalPlatform.h"
#include "engine/RunSink.h"

namespace kartovel::cli {

// A run's summary line: its task file, its tiles, blanks and failed records.
std::string Summary(const RunSummary& run);

// Refusals and questions on standard error, the progress line after every tick, a summary
// line and the exit status of every run that ended.
class DownloadReport final : public RunSink {
 public:
  DownloadReport(TerminalPlatform& platform, ProgressLine& progress, std::FILE* out, bool quiet,
                 bool terminal);

  int Status() const { return status_; }

  void Refused(const RequestFault& fault) override;
  bool Confirm(const std::string& question) override { return platform_.AskYesNo(question); }
  void RunStarted(const DownloadTask& task) override { zoom_ = task.Params.Zoom; }
  // "Writing the tile list: 35 %", redrawn in place on a terminal, a line per step else.
  void ListWriting(std::optional<int32_t> percent) override;
  void Ticked(const RunProgress& progress, int32_t ticks) override {
    progress_.Show(progress, zoom_, ticks);
  }
  // The explanation goes to standard error as it happens, and the summary repeats it.
  void ServerRefused(const std::string& what, const std::string& advice) override {
    progress_.Finish();
    platform_.ShowError(what + "\n" + advice);
  }
  void RunEnded(const RunSummary& summary) override;

 private:
  TerminalPlatform& platform_;
  ProgressLine& progress_;
  int32_t zoom_ = 0;
  std::FILE* out_;
  bool quiet_;
  bool terminal_;
  std::optional<int32_t> shownPercent_;
  int status_ = kExitAllFetched;
};

// Serves a job (anything with Active, Stop, Tick and TickInterval: an engine job, the
// queue's runner) until it has ended; a stop request stops it once.
template <typename Served>
void ServeJob(Served& job, TerminalPlatform& platform, const CommandContext& context) {
  using Steady = std::chrono::steady_clock;
  // How long the loop waits at most before it looks at the stop request again.
  constexpr std::chrono::milliseconds kStopPoll{20};
  // The shortest real time between two ticks, so that a clock scaled to 0 does not tick
  // without a pause.
  constexpr std::chrono::milliseconds kShortestTick{1};
  const auto interval = std::max(job.TickInterval(), kShortestTick);
  auto nextTick = Steady::now() + interval;
  bool stopPressed = false;
  while (job.Active()) {
    platform.HandOffs().RunPending();
    platform.HandOffs().ServeUntil(std::min(nextTick, Steady::now() + kStopPoll));
    if (!stopPressed && context.Stop.stop_requested()) {
      stopPressed = true;
      RunHandler(platform, [&job] { job.Stop(); });
    }
    if (Steady::now() >= nextTick) {
      nextTick += interval;
      RunHandler(platform, [&job] { job.Tick(); });
    }
  }
}

}  // namespace kartovel::cli
