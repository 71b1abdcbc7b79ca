// What a download job will cost before it starts, zoom by zoom: the exact tile count of
// the request's range, a size from the source's stated average or from a few tiles of
// the area, the time at the source's pace, and the free space where the tiles would go.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "map/TileSource.h"
#include "task/Unitclasstask.h"

namespace kartovel {

// The bytes of one tile of the area as the service sends it, or none when it cannot be
// had. Called at most kSampledTilesPerZoom times per zoom.
using TileSizeProbe = std::function<std::optional<uint64_t>(int32_t x, int32_t y, int32_t zoom)>;

inline constexpr int kSampledTilesPerZoom = 3;

struct ZoomEstimate {
  int32_t Zoom = 0;
  int64_t Tiles = 0;
  std::optional<uint64_t> Bytes;  // none: neither a stated average nor a sampled tile
  int64_t Seconds = 0;
  int32_t Workers = 0;
};

struct JobEstimate {
  std::vector<ZoomEstimate> Zooms;
  std::string Folder;                 // where the tiles would go
  std::optional<uint64_t> FreeBytes;  // of that folder's file system (or its nearest parent)
  // The source's terms, shown with the estimate: its name, the most tiles it lets a job
  // ask for (0: no limit) and its usage policy (empty: none named).
  std::string SourceName;
  int32_t MaxTilesPerJob = 0;
  std::string Policy;

  int64_t Tiles() const;
  // Known only when every zoom's size is.
  std::optional<uint64_t> Bytes() const;
  int64_t Seconds() const;
};

// What an estimate needs of a request: the task parameters of its first zoom (rectangle,
// map type and source; the zoom is replaced), the zooms, and where the size comes from.
struct EstimateRequest {
  TaskParameters Params;
  int32_t FirstZoom = 0;
  int32_t LastZoom = 0;
  int32_t Workers = 1;
  std::chrono::milliseconds Pause{1000};
  std::optional<double> AverageTileKB;  // the source's stated average, when it names one
  TileSizeProbe Probe;                  // asked only without an average; may be empty
};

// Throws AppError for a zoom outside the grid, as the range rule does.
JobEstimate EstimateJob(const EstimateRequest& request);

// The tiles of a range that stand for it in a sample: up to `count` of them spread over
// its walk order, none twice.
std::vector<std::pair<int32_t, int32_t>> SampleTiles(const RequestTileRange& range, int count);

// The free bytes of the file system that holds path, or of its nearest existing parent.
std::optional<uint64_t> FreeSpaceFor(const std::string& path);

// "512 KB", "12.3 MB", "1.6 GB" (units of 1024).
std::string SizeText(uint64_t bytes);
// "Zoom 13: 84500 tiles, about 1.3 GB, about 2 h 56 min with 8 workers".
std::string ZoomEstimateText(const ZoomEstimate& zoom);
// One line per zoom, then for several zooms "Total: ...", then the free space.
std::vector<std::string> JobEstimateLines(const JobEstimate& estimate);
// The refusal of a job beyond its source's MaxTilesPerJob, naming the limit and the policy.
std::optional<std::string> SourceLimitRefusal(const JobEstimate& estimate);
// The lines joined by line breaks.
std::string JobEstimateText(const JobEstimate& estimate);

}  // namespace kartovel
