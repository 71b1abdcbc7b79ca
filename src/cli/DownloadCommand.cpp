// The download command: the main window model driven by the command line's own loop.
#include "cli/DownloadCommand.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "engine/DecimalText.h"
#include "app/HandlerGuard.h"
#include "cli/ProgressLine.h"
#include "cli/TerminalPlatform.h"
#include "common/NumberFormat.h"
#include "common/Paths.h"
#include "task/TaskName.h"

namespace kartovel::cli {

namespace {

using Steady = std::chrono::steady_clock;

// How long the loop waits at most before it looks at the stop request again.
constexpr std::chrono::milliseconds kStopPoll{20};
// The shortest real time between two ticks, so that a clock scaled to 0 does not tick
// without a pause.
constexpr std::chrono::milliseconds kShortestTick{1};

// Serves the run until it has ended; true when the user stopped it.
bool ServeRun(TForm1& form, TerminalPlatform& platform, ProgressLine& progress, int32_t zoom,
              const CommandContext& context) {
  const auto interval = std::max(form.Timer1RealInterval(), kShortestTick);
  auto nextTick = Steady::now() + interval;
  bool stopPressed = false;
  while (form.RunActive()) {
    platform.HandOffs().RunPending();
    platform.HandOffs().ServeUntil(std::min(nextTick, Steady::now() + kStopPoll));
    if (!stopPressed && context.StopRequested()) {
      stopPressed = true;
      // Stop is only pressed while the button is Stop: the timer runs exactly then.
      if (form.Timer1Enabled) {
        RunHandler(platform, [&form] { form.BitBtn1Click(); });
      }
    }
    if (Steady::now() >= nextTick) {
      nextTick += interval;
      // The window's closing box is the command line's summary.
      platform.MuteMessages(true);
      RunHandler(platform, [&form] { form.Timer1Timer(); });
      platform.MuteMessages(false);
      progress.Show(form.Progress, zoom, form.MonitorTicks);
    }
  }
  return stopPressed;
}

std::string Summary(const TForm1& form, bool stopped) {
  const RunProgress& run = form.Progress;
  return form.CurrentTask->TaskFilePath() + ": " + std::to_string(run.SettledCount) + " of " +
         std::to_string(run.TotalCount) + " tiles, " + std::to_string(run.BlankCount) + " blank, " +
         std::to_string(form.Memo2.size()) + " failed records" + (stopped ? ", stopped" : "") +
         (run.EndedEarly.empty() ? "" : ", ended early: " + run.EndedEarly);
}

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) {
    return path;  // the window's check reports an empty path
  }
  return std::filesystem::absolute(path).lexically_normal().string();
}

}  // namespace

std::string TaskNameForZoom(const std::string& name, const ZoomRange& zooms, int32_t zoom) {
  if (!zooms.IsRange) {
    return TaskFileNameFor(name);
  }
  const std::string base = ExtractFileExt(name) == kTaskFileExtension ? RemoveFileExt(name) : name;
  return TaskFileNameFor(base + "_" + std::to_string(zoom));
}

std::string CoordinateBoxText(const std::string& typed) {
  std::string withPoints = typed;
  std::replace(withPoints.begin(), withPoints.end(), ',', '.');
  const auto value = ParseDecimalText(withPoints);
  if (!value || !std::isfinite(*value)) {
    return typed;
  }
  return FormatGeneral(*value);
}

void TypeRequest(TForm1& form, const DownloadArguments& arguments, int32_t zoom) {
  form.Edit1 = CoordinateBoxText(arguments.Left);
  form.Edit3 = CoordinateBoxText(arguments.Right);
  form.Edit2 = CoordinateBoxText(arguments.Top);
  form.Edit4 = CoordinateBoxText(arguments.Bottom);
  form.UpDown1Position = std::clamp(zoom, TForm1::UpDown1Min, TForm1::UpDown1Max);
  form.Edit5 = std::to_string(zoom);
  form.Edit6 = AbsolutePath(arguments.Path);
  form.EditTaskName = TaskNameForZoom(arguments.Name, arguments.Zooms, zoom);
}

std::optional<std::string> ChooseSource(TForm1& form, std::optional<int32_t> mapsType) {
  if (!mapsType || form.SelectMapsType(*mapsType)) {
    return std::nullopt;
  }
  std::string offered;
  for (const MapSource& source : form.MapSources) {
    offered +=
        (offered.empty() ? "" : ", ") + std::to_string(source.MapsType) + " (" + source.Name + ")";
  }
  return "Map type " + std::to_string(*mapsType) +
         " is not one of the map sources. The map sources are: " + offered + ".";
}

int RunOutcome(const TForm1& form) {
  const RunProgress& run = form.Progress;
  const bool everyTileFetched =
      run.SettledCount >= run.TotalCount && run.BlankCount == 0 && form.Memo2.empty();
  return everyTileFetched ? kExitAllFetched : kExitSomeFailed;
}

int RunDownload(const DownloadArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  TForm1 form(platform, context.Time, context.MakeClient);
  if (!RunHandler(platform, [&form] { form.FormShow(); })) {
    return kExitNotStarted;
  }
  // The log pane's lines so far name the sections of ini/sources.ini that were left out.
  for (size_t line = 1; line < form.Memo1.size(); ++line) {
    platform.ShowError(form.Memo1[line]);
  }
  if (const auto refusal = ChooseSource(form, arguments.Source)) {
    platform.ShowError(*refusal);
    return kExitNotStarted;
  }
  ProgressLine progress(ProgressModeFor(arguments.Quiet, context.OutIsTerminal), context.Out);
  int status = kExitAllFetched;
  for (int32_t zoom = arguments.Zooms.First; zoom <= arguments.Zooms.Last; ++zoom) {
    if (context.StopRequested()) {
      return kExitStopped;
    }
    TypeRequest(form, arguments, zoom);
    RunHandler(platform, [&form] { form.BitBtn1Click(); });
    if (!form.RunActive()) {
      return kExitNotStarted;
    }
    const bool stopped = ServeRun(form, platform, progress, zoom, context);
    progress.Finish();
    std::fprintf(context.Out, "%s\n", Summary(form, stopped).c_str());
    std::fflush(context.Out);
    if (stopped) {
      return kExitStopped;
    }
    status = std::max(status, RunOutcome(form));
  }
  return status;
}

}  // namespace kartovel::cli
