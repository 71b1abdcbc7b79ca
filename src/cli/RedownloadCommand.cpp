// The re-download command: the dialog's model with the command line's platform.
#include "cli/RedownloadCommand.h"

#include "app/HandlerGuard.h"
#include "cli/DialogOnTerminal.h"
#include "cli/TerminalPlatform.h"
#include "redownload/UnitFTL.h"

namespace kartovel::cli {

int RunRedownload(const RedownloadArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  TfrmFlt form(platform, context.MakeClient);
  PaneLinePrinter<TfrmFlt, TfrmFltView> printer(form, context.Out);
  form.Show();
  if (!arguments.Quiet) {
    form.SetView(&printer);
  }
  platform.AnswerNextOpenFile(arguments.FailedFile);
  bool ranToEnd = RunHandler(platform, [&form] { form.Button1Click(); });
  const bool stopped = ServeUntilEnded(form, platform, context);
  ranToEnd = ranToEnd && !form.EndedByError;
  form.SetView(nullptr);
  if (!ranToEnd && form.RecordCount == 0) {
    return kExitNotStarted;  // the file could not be read
  }
  std::fprintf(context.Out, "%s: %d of %d tiles fetched again\n", arguments.FailedFile.c_str(),
               form.FetchedCount, form.RecordCount);
  std::fflush(context.Out);
  if (stopped) {
    return kExitStopped;
  }
  return ranToEnd && form.FetchedCount == form.RecordCount ? kExitAllFetched : kExitSomeFailed;
}

}  // namespace kartovel::cli
