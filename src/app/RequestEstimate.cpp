// A front end's request turned into its estimate.
#include "app/RequestEstimate.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "app/ChosenTileSource.h"
#include "common/IniFile.h"
#include "common/Paths.h"
#include "common/Text.h"
#include "engine/DecimalText.h"
#include "map/SampledTileSize.h"
#include "task/MapSourcesFile.h"
#include "task/TaskShape.h"

namespace kartovel {
namespace {

constexpr char kAverageTileKB[] = "AverageTileKB";
// No tile the program keeps is larger (the tile cache's cap), so a job whose tiles could
// not fill the free space even at that size needs no sample to know it fits.
constexpr uint64_t kLargestTileBytes = TileDiskCache::kMaxEntryBytes;

std::optional<double> Coordinate(std::string text) {
  std::replace(text.begin(), text.end(), ',', '.');
  return ParseDecimalText(text);
}

std::variant<TaskParameters, std::string> RectangleOf(const RunRequest& request) {
  TaskParameters params;
  if (request.AreaShape) {
    // A shape's bounds are sound by construction; its count is the shape's own.
    TakeShapeArea(params, *request.AreaShape);
  } else {
    const auto left = Coordinate(request.LeftLongitude);
    const auto right = Coordinate(request.RightLongitude);
    const auto top = Coordinate(request.TopLatitude);
    const auto bottom = Coordinate(request.BottomLatitude);
    if (!left || !right || !top || !bottom) {
      return std::string("Longitude or latitude input error!");
    }
    if (const char* fault = RectangleFault(*left, *right, *top, *bottom)) {
      return std::string(fault);
    }
    params.LeftLongitude = *left;
    params.RightLongitude = *right;
    params.TopLatitude = *top;
    params.BottomLatitude = *bottom;
  }
  params.MapsType = request.Source.MapsType;
  if (!IsBuiltIn(request.Source)) {
    params.Source = request.Source;
  }
  params.SavePath = request.SavePath;
  return params;
}

// Whether sampled tiles could change the answer: the job is asked about anyway, or its
// tiles at the largest size would not fit the free space.
bool SizeDecides(const JobEstimate& counted, const JobLimits& limits) {
  if (counted.Tiles() > limits.AskAboveTiles) {
    return true;
  }
  if (!limits.AskAboveFreeSpace || !counted.FreeBytes) {
    return false;
  }
  const double largest = static_cast<double>(counted.Tiles()) * kLargestTileBytes;
  return largest > static_cast<double>(*counted.FreeBytes);
}

}  // namespace

std::optional<std::string> ZoomRangeFault(const RequestedJob& job) {
  const MapSource& source = job.First.Source;
  const int32_t lowest = IsBuiltIn(source) ? 1 : source.MinZoom;
  const int32_t highest = IsBuiltIn(source) ? 19 : source.MaxZoom;
  if (job.FirstZoom > job.LastZoom) {
    return "The zoom range " + std::to_string(job.FirstZoom) + " to " +
           std::to_string(job.LastZoom) + " is upside down: the first zoom must not be above the last.";
  }
  if (job.FirstZoom < lowest || job.LastZoom > highest) {
    return "The map source " + source.Name + " serves zoom levels " + std::to_string(lowest) +
           " to " + std::to_string(highest) + ".";
  }
  return std::nullopt;
}

std::variant<std::optional<double>, std::string> StatedAverageTileKB(
    const std::string& programFolder, const MapSource& source) {
  if (IsBuiltIn(source)) {
    return std::optional<double>();
  }
  const std::string section = "MapType " + std::to_string(source.MapsType);
  const IniSnapshot file(SourcesFilePath(programFolder));
  const std::string text(TrimBlanks(file.ReadString(section, kAverageTileKB, "")));
  if (text.empty()) {
    return std::optional<double>();
  }
  const std::optional<double> value = Coordinate(text);
  if (!value || !std::isfinite(*value) || *value <= 0 || *value > 1e6) {
    return std::string(kAverageTileKB) + " \"" + text + "\" of [" + section +
           "] is not a number of kilobytes above 0.";
  }
  return value;
}

std::variant<JobEstimate, std::string> EstimateRequestedJob(const RequestedJob& job,
                                                            const JobLimits& limits,
                                                            SizeSampling sampling,
                                                            HttpClientFactory makeClient,
                                                            std::shared_ptr<TileDiskCache> cache,
                                                            std::stop_token stop) {
  auto rectangle = RectangleOf(job.First);
  if (const auto* fault = std::get_if<std::string>(&rectangle)) {
    return *fault;
  }
  if (const auto fault = ZoomRangeFault(job)) {
    return *fault;
  }
  auto average = StatedAverageTileKB(job.ProgramFolder, job.First.Source);
  if (const auto* fault = std::get_if<std::string>(&average)) {
    return *fault;
  }
  const TileSource source =
      TileSourceFor(job.First.Source, job.First.TileHost, job.First.ConfigFilePath);
  EstimateRequest request;
  request.Params = std::get<TaskParameters>(std::move(rectangle));
  request.FirstZoom = job.FirstZoom;
  request.LastZoom = job.LastZoom;
  request.Workers = source.Workers;
  request.Pause = source.Pause;
  request.AverageTileKB = std::get<std::optional<double>>(average);
  const auto withTerms = [&job](JobEstimate estimate) {
    estimate.SourceName = job.First.Source.Name;
    estimate.MaxTilesPerJob = job.First.Source.MaxTilesPerJob;
    estimate.Policy = job.First.Source.Policy;
    return estimate;
  };
  JobEstimate estimate = withTerms(EstimateJob(request));
  if (request.AverageTileKB || sampling == SizeSampling::Never ||
      (sampling == SizeSampling::WhenItDecides && !SizeDecides(estimate, limits))) {
    return estimate;
  }
  TileSizeProbe sampled = SampledTileSize(source, std::move(makeClient), std::move(cache));
  request.Probe = [sampled = std::move(sampled), stop](int32_t x, int32_t y, int32_t zoom) {
    return stop.stop_requested() ? std::nullopt : sampled(x, y, zoom);
  };
  return withTerms(EstimateJob(request));
}

}  // namespace kartovel
