// The re-download command: the dialog's model with the command line's platform.
#include "cli/RedownloadCommand.h"

#include <chrono>

#include "app/HandlerGuard.h"
#include "cli/TerminalPlatform.h"
#include "redownload/UnitFTL.h"

namespace kartovel::cli {

namespace {

// How long the loop serves hand-offs at most before it looks at the stop request again.
constexpr std::chrono::milliseconds kStopPoll{20};

// Writes the pane's new lines as they are appended.
class LinePrinter final : public TfrmFltView {
 public:
  LinePrinter(const TfrmFlt& model, std::FILE* out) : model_(model), out_(out) {}
  void Memo1LinesAppended(std::size_t first) override {
    for (std::size_t i = first; i < model_.Memo1.size(); ++i) {
      std::fprintf(out_, "%s\n", model_.Memo1[i].c_str());
    }
    std::fflush(out_);
  }

 private:
  const TfrmFlt& model_;
  std::FILE* out_;
};

}  // namespace

int RunRedownload(const RedownloadArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  TfrmFlt form(platform, context.MakeClient);
  LinePrinter printer(form, context.Out);
  form.Show();
  if (!arguments.Quiet) {
    form.SetView(&printer);
  }
  platform.AnswerNextOpenFile(arguments.FailedFile);
  bool ranToEnd = RunHandler(platform, [&form] { form.Button1Click(); });
  // The run goes on a thread of its own that reports through hand-offs: serve them until
  // it has ended. A first stop signal closes the dialog, which ends the transfer under way
  // and asks for no further record.
  bool stopped = false;
  while (!platform.HandOffs().ServeUntil([&form] { return !form.Running(); },
                                         std::chrono::steady_clock::now() + kStopPoll)) {
    if (!stopped && context.Stop.stop_requested()) {
      stopped = true;
      form.Close();
    }
  }
  stopped = stopped || context.Stop.stop_requested();
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
