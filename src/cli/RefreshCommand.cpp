// The refresh command: the refresh dialog's model with the command line's platform.
#include "cli/RefreshCommand.h"

#include <chrono>

#include "app/HandlerGuard.h"
#include "app/UnitRefresh.h"
#include "cli/TerminalPlatform.h"

namespace kartovel::cli {

namespace {

// How long the loop serves hand-offs at most before it looks at the stop request again.
constexpr std::chrono::milliseconds kStopPoll{20};

// Writes the pane's new lines as they are appended.
class LinePrinter final : public TfrmRefreshView {
 public:
  LinePrinter(const TfrmRefresh& model, std::FILE* out) : model_(model), out_(out) {}
  void Memo1LinesAppended(std::size_t first) override {
    for (std::size_t i = first; i < model_.Memo1.size(); ++i) {
      std::fprintf(out_, "%s\n", model_.Memo1[i].c_str());
    }
    std::fflush(out_);
  }

 private:
  const TfrmRefresh& model_;
  std::FILE* out_;
};

}  // namespace

int RunRefresh(const RefreshArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  TfrmRefresh form(platform, context.Time, context.MakeClient);
  LinePrinter printer(form, context.Out);
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
  bool stopped = false;
  while (!platform.HandOffs().ServeUntil([&form] { return !form.Running(); },
                                         std::chrono::steady_clock::now() + kStopPoll)) {
    if (!stopped && context.Stop.stop_requested()) {
      stopped = true;
      form.Close();
    }
  }
  form.SetView(nullptr);
  if (arguments.Quiet) {
    std::fprintf(context.Out, "%s\n", form.SummaryText().c_str());
    for (const std::string& tile : form.FailedTiles) {
      std::fprintf(context.Out, "failed: %s\n", tile.c_str());
    }
    std::fflush(context.Out);
  }
  if (stopped || context.Stop.stop_requested()) {
    return kExitStopped;
  }
  return form.Counts.Failed == 0 && form.Counts.Done() == form.Counts.Due ? kExitAllFetched
                                                                          : kExitSomeFailed;
}

}  // namespace kartovel::cli
