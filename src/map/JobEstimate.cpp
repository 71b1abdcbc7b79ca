// The cost of a download job before it starts.
#include "map/JobEstimate.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "map/DownloadEstimate.h"

namespace kartovel {
namespace {

std::optional<uint64_t> BytesAtZoom(const EstimateRequest& request, const RequestTileRange& range,
                                    int64_t count, int32_t zoom) {
  const auto tiles = static_cast<double>(count);
  if (request.AverageTileKB) {
    return static_cast<uint64_t>(std::llround(tiles * *request.AverageTileKB * 1024));
  }
  if (!request.Probe) {
    return std::nullopt;
  }
  uint64_t sampledBytes = 0;
  int sampled = 0;
  for (const auto& [x, y] : SampleTiles(range, kSampledTilesPerZoom)) {
    if (const std::optional<uint64_t> bytes = request.Probe(x, y, zoom)) {
      sampledBytes += *bytes;
      ++sampled;
    }
  }
  if (sampled == 0) {
    return std::nullopt;
  }
  return static_cast<uint64_t>(std::llround(tiles * static_cast<double>(sampledBytes) / sampled));
}

std::string Counted(int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string SizePart(const std::optional<uint64_t>& bytes) {
  return bytes ? "about " + SizeText(*bytes) : "size unknown";
}

}  // namespace

int64_t JobEstimate::Tiles() const {
  int64_t tiles = 0;
  for (const ZoomEstimate& zoom : Zooms) {
    tiles += zoom.Tiles;
  }
  return tiles;
}

std::optional<uint64_t> JobEstimate::Bytes() const {
  uint64_t bytes = 0;
  for (const ZoomEstimate& zoom : Zooms) {
    if (!zoom.Bytes) {
      return std::nullopt;
    }
    bytes += *zoom.Bytes;
  }
  return bytes;
}

int64_t JobEstimate::Seconds() const {
  int64_t seconds = 0;
  for (const ZoomEstimate& zoom : Zooms) {
    seconds += zoom.Seconds;
  }
  return seconds;
}

JobEstimate EstimateJob(const EstimateRequest& request) {
  JobEstimate estimate;
  estimate.Folder = request.Params.SavePath;
  estimate.FreeBytes = FreeSpaceFor(request.Params.SavePath);
  TaskParameters params = request.Params;
  for (int32_t zoom = request.FirstZoom; zoom <= request.LastZoom; ++zoom) {
    params.Zoom = zoom;
    const RequestTileRange range = TileRangeOf(params);
    const int64_t count = CoveredTileCount(params);
    const DownloadEstimate time = EstimateDownload(count, request.Workers, request.Pause);
    estimate.Zooms.push_back(
        {zoom, count, BytesAtZoom(request, range, count, zoom), time.Seconds, time.Workers});
  }
  return estimate;
}

std::vector<std::pair<int32_t, int32_t>> SampleTiles(const RequestTileRange& range, int count) {
  std::vector<std::pair<int32_t, int32_t>> tiles;
  const int64_t total = range.Count();
  const int64_t width = int64_t{range.MaxX} - range.MinX + 1;
  if (total <= 0 || width <= 0) {
    return tiles;
  }
  // The middles of `count` equal parts of the walk: spread over the area, never its edge.
  int64_t previous = -1;
  for (int part = 0; part < count; ++part) {
    const int64_t serial = (2 * int64_t{part} + 1) * total / (2 * int64_t{count});
    if (serial == previous) {
      continue;
    }
    previous = serial;
    tiles.emplace_back(static_cast<int32_t>(range.MinX + serial % width),
                       static_cast<int32_t>(range.MinY() + serial / width));
  }
  return tiles;
}

std::optional<uint64_t> FreeSpaceFor(const std::string& path) {
  namespace fs = std::filesystem;
  std::error_code error;
  fs::path folder = fs::absolute(path.empty() ? fs::path(".") : fs::path(path), error);
  if (error) {
    return std::nullopt;
  }
  while (!fs::exists(folder, error)) {
    if (!folder.has_relative_path()) {
      return std::nullopt;
    }
    folder = folder.parent_path();
  }
  const fs::space_info space = fs::space(folder, error);
  if (error) {
    return std::nullopt;
  }
  return space.available;
}

std::string SizeText(uint64_t bytes) {
  constexpr const char* kUnits[] = {"KB", "MB", "GB", "TB", "PB"};
  double value = static_cast<double>(bytes) / 1024;
  size_t unit = 0;
  while (value >= 1024 && unit + 1 < std::size(kUnits)) {
    value /= 1024;
    ++unit;
  }
  char text[32];
  if (value < 10 && unit > 0) {
    std::snprintf(text, sizeof text, "%.1f %s", value, kUnits[unit]);
  } else {
    std::snprintf(text, sizeof text, "%.0f %s", std::max(value, 1.0), kUnits[unit]);
  }
  return text;
}

std::string ZoomEstimateText(const ZoomEstimate& zoom) {
  return "Zoom " + std::to_string(zoom.Zoom) + ": " + Counted(zoom.Tiles, "tile", "tiles") + ", " +
         SizePart(zoom.Bytes) + ", about " + SpanText(zoom.Seconds) + " with " +
         Counted(zoom.Workers, "worker", "workers");
}

std::vector<std::string> JobEstimateLines(const JobEstimate& estimate) {
  std::vector<std::string> lines;
  for (const ZoomEstimate& zoom : estimate.Zooms) {
    lines.push_back(ZoomEstimateText(zoom));
  }
  if (estimate.Zooms.size() > 1) {
    lines.push_back("Total: " + Counted(estimate.Tiles(), "tile", "tiles") + ", " +
                    SizePart(estimate.Bytes()) + ", about " + SpanText(estimate.Seconds()));
  }
  lines.push_back("Free space in " + estimate.Folder + ": " +
                  (estimate.FreeBytes ? SizeText(*estimate.FreeBytes) : "unknown"));
  if (estimate.MaxTilesPerJob > 0) {
    lines.push_back("\"" + estimate.SourceName + "\" allows at most " +
                    Counted(estimate.MaxTilesPerJob, "tile", "tiles") + " per job");
  }
  if (!estimate.Policy.empty()) {
    lines.push_back("Usage policy of \"" + estimate.SourceName + "\": " + estimate.Policy);
  }
  return lines;
}

std::optional<std::string> SourceLimitRefusal(const JobEstimate& estimate) {
  if (estimate.MaxTilesPerJob <= 0 || estimate.Tiles() <= estimate.MaxTilesPerJob) {
    return std::nullopt;
  }
  return "This download of " + Counted(estimate.Tiles(), "tile", "tiles") + " is beyond the " +
         std::to_string(estimate.MaxTilesPerJob) + " tiles per job that \"" +
         estimate.SourceName + "\" allows (MaxTilesPerJob in ini/sources.ini)" +
         (estimate.Policy.empty() ? "" : "; its usage policy: " + estimate.Policy) +
         ". Choose a smaller area or fewer zooms.";
}

std::string JobEstimateText(const JobEstimate& estimate) {
  std::string text;
  for (const std::string& line : JobEstimateLines(estimate)) {
    text += (text.empty() ? "" : "\n") + line;
  }
  return text;
}

}  // namespace kartovel
