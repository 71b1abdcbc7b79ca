// The refresh command: the refresh dialog's model with the command line's platform.
#include "cli/RefreshCommand.h"

#include "app/HandlerGuard.h"
#include "app/UnitRefresh.h"
#include "cli/DialogOnTerminal.h"
#include "cli/TerminalPlatform.h"

namespace kartovel::cli {

int RunRefresh(const RefreshArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  TfrmRefresh form(platform, context.Time, context.MakeClient);
  PaneLinePrinter<TfrmRefresh, TfrmRefreshView> printer(form, context.Out);
  form.Show();
  if (!arguments.Quiet) {
    form.SetView(&printer);
  }
  form.EditTaskFile = arguments.TaskFile;
  form.OlderThanDays = arguments.OlderThanDays;
  const bool started = RunHandler(platform, [&form] { form.Button1Click(); }) && form.Started;
  if (!started) {
    return kExitNotStarted;
  }
  const bool stopped = ServeUntilEnded(form, platform, context);
  form.SetView(nullptr);
  if (arguments.Quiet) {
    std::fprintf(context.Out, "%s\n", form.SummaryText().c_str());
    for (const std::string& tile : form.FailedTiles) {
      std::fprintf(context.Out, "failed: %s\n", tile.c_str());
    }
    std::fflush(context.Out);
  }
  if (stopped) {
    return kExitStopped;
  }
  return form.Counts.Failed == 0 && form.Counts.Done() == form.Counts.Due ? kExitAllFetched
                                                                          : kExitSomeFailed;
}

}  // namespace kartovel::cli
