// The download command: a job of runs, one per zoom, served by the command line's own loop.
#include "cli/DownloadCommand.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <vector>

#include "app/HandlerGuard.h"
#include "app/RequestEstimate.h"
#include "cli/JobReport.h"
#include "cli/ProgressLine.h"
#include "cli/TerminalPlatform.h"
#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/NumberFormat.h"
#include "common/Paths.h"
#include "engine/DecimalText.h"
#include "engine/Job.h"
#include "shape/ShapeFile.h"
#include "task/MapSourcesFile.h"
#include "task/TaskName.h"

namespace kartovel::cli {

namespace {

std::string AbsolutePath(const std::string& path) {
  if (path.empty()) {
    return path;  // the request's check reports an empty path
  }
  return std::filesystem::absolute(path).lexically_normal().string();
}

void PrintLines(std::FILE* stream, const std::vector<std::string>& lines) {
  for (const std::string& line : lines) {
    std::fprintf(stream, "%s\n", line.c_str());
  }
  std::fflush(stream);
}

}  // namespace

std::optional<int> WeighJob(const DownloadArguments& arguments, const RunRequest& first,
                            const ProgramSettings& settings, const CommandContext& context) {
  const auto limits = ReadJobLimits(settings.ConfigFilePath);
  if (const auto* fault = std::get_if<std::string>(&limits)) {
    PrintLines(context.Err, {*fault});
    return kExitNotStarted;
  }
  const RequestedJob job{first, arguments.Zooms.First, arguments.Zooms.Last, context.ProgramFolder};
  // No tile cache here: a dry run writes nothing, and a script's runs share no window.
  const auto estimate = EstimateRequestedJob(
      job, std::get<JobLimits>(limits),
      arguments.DryRun ? SizeSampling::Always
      : arguments.Yes  ? SizeSampling::Never
                       : SizeSampling::WhenItDecides,
      context.MakeClient,
      nullptr);
  if (const auto* fault = std::get_if<std::string>(&estimate)) {
    PrintLines(context.Err, {*fault});
    return kExitNotStarted;
  }
  const JobEstimate& weighed = std::get<JobEstimate>(estimate);
  const auto ceiling = CeilingRefusal(weighed, std::get<JobLimits>(limits));
  if (arguments.DryRun) {
    PrintLines(context.Out, JobEstimateLines(weighed));
    if (ceiling) {
      PrintLines(context.Out, {*ceiling});
    }
    return kExitAllFetched;
  }
  if (ceiling) {
    PrintLines(context.Err, {*ceiling});
    return kExitNotStarted;
  }
  if (!arguments.Yes && NeedsQuestion(weighed, std::get<JobLimits>(limits))) {
    PrintLines(context.Err, JobEstimateLines(weighed));
    PrintLines(context.Err, {"This download is above the size that is asked about (" +
                             std::string(config::kJobs) + " " + config::kAskAboveTiles + " " +
                             std::to_string(std::get<JobLimits>(limits).AskAboveTiles) +
                             " tiles, or more than the free space); give --yes to start it."});
    return kExitNotStarted;
  }
  return std::nullopt;
}

std::string TaskNameForZoom(const std::string& name, const ZoomRange& zooms, int32_t zoom) {
  return kartovel::TaskNameForZoom(name, zooms.IsRange, zoom);
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

// The shape of --area, checked; a polygon that is not valid is repaired only when the
// user agrees. None when the file is refused or the repair declined.
static std::optional<Shape> AreaShapeOf(const DownloadArguments& arguments, TerminalPlatform& platform) {
  std::optional<Shape> shape;
  RunHandler(platform, [&] {
    ShapeReading reading = ReadShapeFile(arguments.Area, arguments.Corridor);
    for (const std::string& note : reading.Notes) {
      platform.ShowMessage(note);
    }
    if (!reading.Problem.empty()) {
      if (!platform.AskYesNo(reading.Problem + " Repair it (its crossing parts become polygons of their own)?")) {
        return;
      }
      reading.Value = RepairShape(reading.Value);
    }
    shape = std::move(reading.Value);
  });
  return shape;
}

RunRequest RequestForZoom(const DownloadArguments& arguments, int32_t zoom,
                          const ProgramSettings& settings, const MapSource& source,
                          const std::optional<Shape>& shape) {
  RunRequest request;
  request.AreaShape = shape;
  request.LeftLongitude = CoordinateBoxText(arguments.Left);
  request.RightLongitude = CoordinateBoxText(arguments.Right);
  request.TopLatitude = CoordinateBoxText(arguments.Top);
  request.BottomLatitude = CoordinateBoxText(arguments.Bottom);
  request.Zoom = std::to_string(zoom);
  request.SavePath = AbsolutePath(arguments.Path);
  request.TaskName = TaskNameForZoom(arguments.Name, arguments.Zooms, zoom);
  request.Source = source;
  request.TileHost = settings.TileHost;
  request.ConfigFilePath = settings.ConfigFilePath;
  request.SourceUserAgent = settings.SourceUserAgent;
  return request;
}

std::optional<MapSource> StoredSourceOf(const DownloadArguments& arguments, int32_t mapsType,
                                        const ProgramSettings& settings) {
  const std::string taskFile =
      IncludeTrailingSeparator(AbsolutePath(arguments.Path)) +
      TaskNameForZoom(arguments.Name, arguments.Zooms, arguments.Zooms.First);
  if (arguments.Path.empty() || !FileExists(taskFile)) {
    return std::nullopt;
  }
  std::optional<MapSource> source = ReadTaskMapSource(taskFile, settings.SourceUserAgent).Source;
  if (!source || source->MapsType != mapsType || IsBuiltIn(*source)) {
    return std::nullopt;
  }
  return source;
}

const MapSource* ChooseSource(const ProgramSettings& settings, std::optional<int32_t> mapsType) {
  if (mapsType) {
    return SourceOfMapsType(settings.Sources, *mapsType);
  }
  const MapSource* remembered = SourceOfMapsType(settings.Sources, settings.RememberedMapsType);
  return remembered ? remembered : &settings.Sources.Sources.front();
}

std::string UnknownMapsType(const ProgramSettings& settings, int32_t mapsType) {
  std::string offered;
  for (const MapSource& source : settings.Sources.Sources) {
    offered +=
        (offered.empty() ? "" : ", ") + std::to_string(source.MapsType) + " (" + source.Name + ")";
  }
  return "Map type " + std::to_string(mapsType) +
         " is not one of the map sources. The map sources are: " + offered + ".";
}

int RunOutcome(const RunSummary& summary) {
  const RunProgress& run = summary.Progress;
  const bool everyTileFetched =
      run.SettledCount >= run.TotalCount && run.BlankCount == 0 && summary.FailedRecords == 0;
  return everyTileFetched ? kExitAllFetched : kExitSomeFailed;
}

std::optional<std::vector<RunRequest>> RequestsOfArguments(const DownloadArguments& arguments,
                                                          const ProgramSettings& settings,
                                                          TerminalPlatform& platform) {
  // The sections of ini/sources.ini that were left out.
  for (const std::string& refusal : settings.Sources.Refusals) {
    platform.ShowError(refusal);
  }
  const MapSource* source = ChooseSource(settings, arguments.Source);
  // A task keeps its own copy of its source: the same command continues it even when
  // the sources file no longer lists that map type.
  std::optional<MapSource> stored;
  if (!source && (stored = StoredSourceOf(arguments, *arguments.Source, settings))) {
    source = &*stored;
  }
  if (!source) {
    platform.ShowError(UnknownMapsType(settings, *arguments.Source));
    return std::nullopt;
  }
  std::optional<Shape> shape;
  if (!arguments.Area.empty()) {
    shape = AreaShapeOf(arguments, platform);
    if (!shape) {
      return std::nullopt;
    }
  }
  std::vector<RunRequest> requests;
  for (int32_t zoom = arguments.Zooms.First; zoom <= arguments.Zooms.Last; ++zoom) {
    requests.push_back(RequestForZoom(arguments, zoom, settings, *source, shape));
  }
  return requests;
}

int RunDownload(const DownloadArguments& arguments, const CommandContext& context) {
  TerminalPlatform platform(context.ProgramFolder, context.Err);
  ProgramSettings settings;
  if (!RunHandler(platform, [&] { settings = ReadProgramSettings(context.ProgramFolder); })) {
    return kExitNotStarted;
  }
  std::optional<std::vector<RunRequest>> requests =
      RequestsOfArguments(arguments, settings, platform);
  if (!requests) {
    return kExitNotStarted;
  }
  if (const std::optional<int> status = WeighJob(arguments, requests->front(), settings, context)) {
    return *status;
  }
  return RunRequests(std::move(*requests), arguments.Quiet, platform, context);
}

int RunRequests(std::vector<RunRequest> requests, bool quiet,
                TerminalPlatform& platform, const CommandContext& context) {
  ProgressLine progress(ProgressModeFor(quiet, context.OutIsTerminal), context.Out);
  DownloadReport report(platform, progress, context.Out, quiet, context.OutIsTerminal);
  Job job(platform, context.Time, context.MakeClient, CreateRunningWorker, std::move(requests),
          report, context.Stop);
  RunHandler(platform, [&job] { job.Start(); });
  ServeJob(job, platform, context);
  if (job.Stopped()) {
    return kExitStopped;
  }
  if (job.RefusedByServer()) {
    return kExitRefusedByServer;
  }
  return job.RunRefused() ? kExitNotStarted : report.Status();
}

}  // namespace kartovel::cli
