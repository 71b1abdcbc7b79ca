// The refresh command: the task its file holds, its index and the refresh, on the
// command's own thread (the stop signals' watcher ends it).
#include "cli/RefreshCommand.h"

#include <cmath>
#include <ctime>
#include <memory>

#include "app/HandlerGuard.h"
#include "cli/ContinueCommand.h"
#include "cli/TerminalPlatform.h"
#include "engine/TaskValidatorIndex.h"
#include "engine/TileRefresh.h"

namespace kartovel::cli {

namespace {

constexpr double kSecondsPerDay = 24.0 * 3600.0;

class RefreshPrinter final : public RefreshSink {
 public:
  RefreshPrinter(std::FILE* out, bool quiet) : out_(out), quiet_(quiet) {}
  void RefreshLine(const std::string& line) override {
    if (!quiet_) {
      std::fprintf(out_, "%s\n", line.c_str());
      std::fflush(out_);
    }
  }
  void RefreshProgress(const RefreshCounts&) override {}

 private:
  std::FILE* out_;
  bool quiet_;
};

struct RefreshTask {
  std::unique_ptr<TaskParameters> Params;
  std::unique_ptr<DownloadTask> Task;
};

// The task of the file as a continued run would build it; nothing of its files is written.
std::optional<RefreshTask> TaskOfFile(const std::string& taskFile, TerminalPlatform& platform,
                                      const CommandContext& context) {
  ProgramSettings settings;
  if (!RunHandler(platform, [&] { settings = ReadProgramSettings(context.ProgramFolder); })) {
    return std::nullopt;
  }
  auto request = RequestOfTaskFile(taskFile, settings);
  if (const auto* fault = std::get_if<std::string>(&request)) {
    platform.ShowError(*fault);
    return std::nullopt;
  }
  auto checked = CheckRequest(std::get<RunRequest>(request));
  if (const auto* fault = std::get_if<RequestFault>(&checked)) {
    platform.ShowError(fault->Text);
    return std::nullopt;
  }
  RefreshTask built;
  built.Params = std::make_unique<TaskParameters>(std::get<TaskParameters>(std::move(checked)));
  built.Params->ContinueTask = true;
  if (!RunHandler(platform, [&] { built.Task = std::make_unique<DownloadTask>(*built.Params); })) {
    return std::nullopt;
  }
  return built;
}

}  // namespace

int RunRefresh(const RefreshArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  std::optional<RefreshTask> built = TaskOfFile(arguments.TaskFile, platform, context);
  if (!built) {
    return kExitNotStarted;
  }
  DownloadTask& task = *built->Task;
  RefreshPrinter printer(context.Out, arguments.Quiet);
  std::unique_ptr<TileValidatorIndex> index = OpenTaskValidatorIndex(
      task, [&context](const std::string& line) { std::fprintf(context.Err, "%s\n", line.c_str()); });
  if (!index) {
    return kExitNotStarted;
  }
  TileRefresh refresh(task, *index, context.Time, context.MakeClient, printer);
  RefreshChoice choice;
  choice.Now = std::time(nullptr);
  if (arguments.OlderThanDays) {
    choice.OlderThanSeconds = std::llround(*arguments.OlderThanDays * kSecondsPerDay);
  }
  const std::vector<TileId> due = refresh.DueTiles(choice);
  RefreshCounts counts;
  if (!RunHandler(platform, [&] { counts = refresh.Run(due, context.Stop); })) {
    return kExitSomeFailed;
  }
  std::fprintf(context.Out, "%s: %lld unchanged, %lld changed, %lld failed of %lld tiles due\n",
               task.TaskFilePath().c_str(), static_cast<long long>(counts.Unchanged),
               static_cast<long long>(counts.Changed), static_cast<long long>(counts.Failed),
               static_cast<long long>(counts.Due));
  for (const std::string& failed : refresh.FailedTiles()) {
    std::fprintf(context.Out, "failed: %s\n", failed.c_str());
  }
  std::fflush(context.Out);
  if (context.Stop.stop_requested()) {
    return kExitStopped;
  }
  return counts.Failed == 0 && counts.Done() == counts.Due ? kExitAllFetched : kExitSomeFailed;
}

}  // namespace kartovel::cli
