// The command line's report of a job's runs.
#include "cli/JobReport.h"

#include "cli/DownloadCommand.h"
#include "common/Error.h"

namespace kartovel::cli {

std::string Summary(const RunSummary& run) {
  const RunProgress& progress = run.Progress;
  return run.TaskFilePath + ": " + std::to_string(progress.SettledCount) + " of " +
         std::to_string(progress.TotalCount) + " tiles, " + std::to_string(progress.BlankCount) +
         " blank, " + std::to_string(run.FailedRecords) + " failed records" +
         (run.Stopped ? ", stopped" : "") +
         (progress.EndedEarly.empty() ? "" : ", ended early: " + progress.EndedEarly) +
         (run.RefusedByServer.empty() ? "" : ", refused by the server: " + run.RefusedByServer);
}

DownloadReport::DownloadReport(TerminalPlatform& platform, ProgressLine& progress, std::FILE* out,
                               bool quiet, bool terminal)
    : platform_(platform), progress_(progress), out_(out), quiet_(quiet), terminal_(terminal) {}

void DownloadReport::Refused(const RequestFault& fault) {
  if (fault.FaultKind == RequestFault::Kind::Error) {
    throw AppError(fault.Text);
  }
  platform_.ShowMessage(fault.Text);
}

void DownloadReport::ListWriting(std::optional<int32_t> percent) {
  if (quiet_ || percent == shownPercent_) {
    return;
  }
  shownPercent_ = percent;
  if (percent) {
    std::fprintf(out_, "%sWriting the tile list: %d %%%s", terminal_ ? "\r" : "", *percent,
                 terminal_ ? "" : "\n");
  } else if (terminal_) {
    std::fprintf(out_, "\n");
  }
  std::fflush(out_);
}

void DownloadReport::RunEnded(const RunSummary& summary) {
  progress_.Show(summary.Progress, zoom_, summary.Progress.ElapsedSeconds);
  progress_.Finish();
  std::fprintf(out_, "%s\n", Summary(summary).c_str());
  std::fflush(out_);
  if (!summary.Stopped) {
    status_ = std::max(status_, RunOutcome(summary));
  }
}

}  // namespace kartovel::cli
