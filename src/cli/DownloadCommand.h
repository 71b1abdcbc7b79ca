// "download": the main window's Start without the window. The zoom range becomes one job
// of runs, one request per zoom in ascending order, built as the main window would build
// it; the main thread serves the workers' hand-offs and ticks the job once per second of
// program time until its last run has ended.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/CliArguments.h"
#include "cli/CommandContext.h"
#include "cli/TerminalPlatform.h"
#include "engine/ProgramSettings.h"
#include "engine/RunRequest.h"
#include "engine/RunSink.h"

namespace kartovel::cli {

// The task name the command asks for at a zoom: a single zoom names the task NAME as the
// main window would (with ".qtsk"); a range names each NAME + "_" + zoom + ".qtsk".
// The name carries its extension, so running the command again continues it.
std::string TaskNameForZoom(const std::string& name, const ZoomRange& zooms, int32_t zoom);

// A coordinate as the request carries it: a number in the form the task file stores it,
// so that the same command continues the task however the number was written; a text
// that is no finite number goes in as typed, for the request's checks.
std::string CoordinateBoxText(const std::string& typed);

// The request of one zoom, from the source given, of the shape when there is one.
RunRequest RequestForZoom(const DownloadArguments& arguments, int32_t zoom,
                          const ProgramSettings& settings, const MapSource& source,
                          const std::optional<Shape>& shape = std::nullopt);

// The source of that map type among the settings' sources (nullptr: none is offered);
// none given: the main window's remembered choice (map type 3 when it is no longer offered).
const MapSource* ChooseSource(const ProgramSettings& settings, std::optional<int32_t> mapsType);
// The [Source] copy of map type mapsType in the task file the command's first zoom names,
// when that task exists and stored one.
std::optional<MapSource> StoredSourceOf(const DownloadArguments& arguments, int32_t mapsType,
                                        const ProgramSettings& settings);
// The refusal of a map type that no source offers, naming those that are.
std::string UnknownMapsType(const ProgramSettings& settings, int32_t mapsType);

// The exit status of a run that ended by itself: every tile fetched, or not.
int RunOutcome(const RunSummary& summary);

// The estimate before a download: a dry run prints it and ends (status 0); a job with a
// task above the largest, or above the question's threshold without --yes, is refused
// with the estimate (status 3). None: the download goes ahead.
std::optional<int> WeighJob(const DownloadArguments& arguments, const RunRequest& first,
                            const ProgramSettings& settings, const CommandContext& context);

// The requests as one job on the command line's loop, with the progress line and a
// summary per run; the exit status.
int RunRequests(std::vector<RunRequest> requests, bool quiet,
                TerminalPlatform& platform, const CommandContext& context);

// The requests of the arguments' zooms, with the source and the shape file checked as a
// download checks them; none when they are refused (said on standard error).
std::optional<std::vector<RunRequest>> RequestsOfArguments(const DownloadArguments& arguments,
                                                          const ProgramSettings& settings,
                                                          TerminalPlatform& platform);

int RunDownload(const DownloadArguments& arguments, const CommandContext& context);

}  // namespace kartovel::cli
