// The estimate of a request as a front end holds it (the boxes' texts, the chosen source,
// a zoom range): the rectangle read as Start reads it, the source's pace and stated
// average tile size, and sampled tiles when the size is wanted. Nothing is written.
#pragma once

#include <cstdint>
#include <memory>
#include <stop_token>
#include <string>
#include <variant>

#include "download/HttpClient.h"
#include "engine/RunRequest.h"
#include "map/JobEstimate.h"
#include "map/JobLimits.h"
#include "map/TileDiskCache.h"

namespace kartovel {

// When the estimate fetches tiles for its size: always (a dry run, the window's line), or
// only when the size could decide the question (a Start), so that a small job costs the
// service no extra request.
// Never: the answer is given already (the command line's --yes).
enum class SizeSampling { Always, WhenItDecides, Never };

struct RequestedJob {
  RunRequest First;  // the request of the first zoom (its Zoom text is not read)
  int32_t FirstZoom = 0;
  int32_t LastZoom = 0;
  std::string ProgramFolder;  // where ini/sources.ini lies
};

// The sentence of a zoom range upside down or outside the source's zoom levels.
std::optional<std::string> ZoomRangeFault(const RequestedJob& job);

// The source's AverageTileKB in ini/sources.ini, if its section names one; the sentence
// naming the value when it is no number above 0.
std::variant<std::optional<double>, std::string> StatedAverageTileKB(
    const std::string& programFolder, const MapSource& source);

// The estimate, or the sentence of the first fault of the rectangle, the zoom range or
// the source's stated size. Once stop is requested no further tile is fetched (the size
// is then unknown): an estimate no longer wanted costs the service nothing more.
std::variant<JobEstimate, std::string> EstimateRequestedJob(const RequestedJob& job,
                                                            const JobLimits& limits,
                                                            SizeSampling sampling,
                                                            HttpClientFactory makeClient,
                                                            std::shared_ptr<TileDiskCache> cache,
                                                            std::stop_token stop = {});

}  // namespace kartovel
