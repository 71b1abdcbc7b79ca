// The queue commands.
#include "cli/QueueCommand.h"

#include <optional>
#include <string>
#include <vector>

#include "app/HandlerGuard.h"
#include "cli/DownloadCommand.h"
#include "cli/JobReport.h"
#include "cli/ProgressLine.h"
#include "cli/TerminalPlatform.h"
#include "queue/QueueFile.h"
#include "queue/QueueRunner.h"

namespace kartovel::cli {

namespace {

// A job's refusal ends that job only: it is said, never raised, so that the queue goes on.
class QueueReport final : public RunSink {
 public:
  QueueReport(DownloadReport& runs, TerminalPlatform& platform) : runs_(runs), platform_(platform) {}

  void Refused(const RequestFault& fault) override { platform_.ShowError(fault.Text); }
  bool Confirm(const std::string& question) override { return runs_.Confirm(question); }
  void RunStarted(const DownloadTask& task) override { runs_.RunStarted(task); }
  void ListWriting(std::optional<int32_t> percent) override { runs_.ListWriting(percent); }
  void Ticked(const RunProgress& progress, int32_t ticks) override { runs_.Ticked(progress, ticks); }
  void ServerRefused(const std::string& what, const std::string& advice) override {
    runs_.ServerRefused(what, advice);
  }
  void RunEnded(const RunSummary& summary) override { runs_.RunEnded(summary); }

 private:
  DownloadReport& runs_;
  TerminalPlatform& platform_;
};

void PrintProblems(const std::vector<std::string>& problems, TerminalPlatform& platform) {
  for (const std::string& problem : problems) {
    platform.ShowError(problem);
  }
}

int AddJob(const DownloadArguments& arguments, QueueStore& store, TerminalPlatform& platform,
           const CommandContext& context) {
  ProgramSettings settings;
  if (!RunHandler(platform, [&] { settings = ReadProgramSettings(context.ProgramFolder); })) {
    return kExitNotStarted;
  }
  std::optional<std::vector<RunRequest>> requests =
      RequestsOfArguments(arguments, settings, platform);
  if (!requests) {
    return kExitNotStarted;
  }
  // The estimate's refusals and question now: the queue runs later, with nobody to ask.
  if (const std::optional<int> status = WeighJob(arguments, requests->front(), settings, context)) {
    return *status;
  }
  if (arguments.DryRun) {
    return kExitAllFetched;
  }
  const RunRequest& first = requests->front();
  QueueJob added = JobOfRequest(first, arguments.Zooms.First, arguments.Zooms.Last,
                                arguments.Zooms.IsRange);
  // The name as given: each zoom's task name is made from it when the job runs.
  added.TaskName = arguments.Name;
  const bool stored = RunHandler(platform, [&] {
    PrintProblems(store.Update([](std::vector<QueueJob>&) {}), platform);
    added = store.Add(added, first.AreaShape);
  });
  if (!stored) {
    return kExitNotStarted;
  }
  std::fprintf(context.Out, "Added to the queue: %s\n", JobLine(added).c_str());
  return kExitAllFetched;
}

int ListJobs(QueueStore& store, TerminalPlatform& platform, const CommandContext& context) {
  QueueReading reading;
  if (!RunHandler(platform, [&] { reading = store.Load(); })) {
    return kExitNotStarted;
  }
  PrintProblems(reading.Problems, platform);
  if (reading.Jobs.empty()) {
    std::fprintf(context.Out, "The queue is empty.\n");
  }
  for (const QueueJob& job : reading.Jobs) {
    std::fprintf(context.Out, "%s\n", JobLine(job).c_str());
  }
  return kExitAllFetched;
}

int RunJobs(bool quiet, QueueStore& store, TerminalPlatform& platform,
            const CommandContext& context) {
  ProgramSettings settings;
  if (!RunHandler(platform, [&] { settings = ReadProgramSettings(context.ProgramFolder); })) {
    return kExitNotStarted;
  }
  ProgressLine progress(ProgressModeFor(quiet, context.OutIsTerminal), context.Out);
  DownloadReport runs(platform, progress, context.Out, quiet, context.OutIsTerminal);
  QueueReport report(runs, platform);
  QueueRunner runner(platform, context.Time, context.MakeClient, CreateRunningWorker,
                     std::move(settings), store, report, context.Stop);
  RunHandler(platform, [&runner] { runner.Start(); });
  ServeJob(runner, platform, context);
  if (runner.LockRefused()) {
    return kExitNotStarted;
  }
  if (runner.Stopped() && context.Stop.stop_requested()) {
    return kExitStopped;
  }
  if (runner.JobsEnded() == 0) {
    std::fprintf(context.Out, "No job is waiting in the queue.\n");
  }
  return runner.AnyFailed() ? kExitSomeFailed : runs.Status();
}

}  // namespace

int RunQueue(const QueueArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  const std::string path = DefaultQueueFilePath();
  if (path.empty()) {
    platform.ShowError("The queue has no folder: neither XDG_DATA_HOME nor HOME is set.");
    return kExitNotStarted;
  }
  QueueStore store(path);
  switch (arguments.Action) {
    case QueueArguments::Kind::Add:
      return AddJob(arguments.Download, store, platform, context);
    case QueueArguments::Kind::List:
      return ListJobs(store, platform, context);
    case QueueArguments::Kind::Run:
      break;
  }
  return RunJobs(arguments.Quiet, store, platform, context);
}

}  // namespace kartovel::cli
