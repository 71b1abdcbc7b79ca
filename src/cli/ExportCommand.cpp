// The export command: the export dialog's model with the command line's platform.
#include "cli/ExportCommand.h"

#include <chrono>
#include <cmath>

#include "app/HandlerGuard.h"
#include "app/UnitExport.h"
#include "cli/ProgressLine.h"
#include "cli/TerminalPlatform.h"

namespace kartovel::cli {

namespace {

// Shows the export's report lines and progress, and passes a stop request on.
class ExportPrinter final : public TfrmExportView {
 public:
  ExportPrinter(TfrmExport& model, const ExportArguments& arguments, const CommandContext& context)
      : model_(model),
        context_(context),
        quiet_(arguments.Quiet),
        progress_(ProgressModeFor(arguments.Quiet, context.OutIsTerminal), context.Out),
        start_(std::chrono::steady_clock::now()) {}

  void Memo1LinesAppended(std::size_t first) override {
    progress_.Finish();
    for (std::size_t i = first; i < model_.Memo1.size() && !quiet_; ++i) {
      std::fprintf(context_.Out, "%s\n", model_.Memo1[i].c_str());
    }
    std::fflush(context_.Out);
  }

  void ProgressChanged() override {
    if (context_.Stop.stop_requested()) {
      model_.RequestStop();
    }
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    progress_.Show(AsRunProgress(model_.Progress, elapsed.count()), std::nullopt,
                   static_cast<int64_t>(elapsed.count()));
  }

  void Finish() { progress_.Finish(); }

 private:
  static RunProgress AsRunProgress(const ExportProgress& export_, double seconds) {
    RunProgress run;
    run.TotalCount = static_cast<int32_t>(export_.Total);
    run.SettledCount = static_cast<int32_t>(export_.Done);
    run.SettledThisRun = run.SettledCount;
    if (seconds > 0 && export_.Done > 0) {
      const double perSecond = static_cast<double>(export_.Done) / seconds;
      run.TilesPerMinute = perSecond * 60;
      run.SecondsLeft = static_cast<int64_t>(
          std::ceil(static_cast<double>(export_.Total - export_.Done) / perSecond));
    }
    return run;
  }

  TfrmExport& model_;
  const CommandContext& context_;
  bool quiet_;
  ProgressLine progress_;
  std::chrono::steady_clock::time_point start_;
};

}  // namespace

int RunExport(const ExportArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  TfrmExport form(platform);
  ExportPrinter printer(form, arguments, context);
  form.Show();
  form.SetView(&printer);
  form.SetStopCheck([stop = context.Stop] { return stop.stop_requested(); });
  std::optional<ExportCounts> counts;
  const bool ranToEnd =
      RunHandler(platform, [&] { counts = form.Export(arguments.TaskFiles, arguments.OutFile); });
  printer.Finish();
  form.SetView(nullptr);
  if (!ranToEnd) {
    return form.WriteFailed ? kExitExportFailed : kExitNotStarted;
  }
  if (!counts) {
    return kExitStopped;
  }
  if (arguments.Quiet) {
    std::fprintf(context.Out, "%s\n", form.Memo1.back().c_str());
  }
  return kExitAllFetched;
}

}  // namespace kartovel::cli
