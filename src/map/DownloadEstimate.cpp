// The time estimate of a download and its text.
#include "map/DownloadEstimate.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "common/SpokenDuration.h"

namespace kartovel {
namespace {

// Beyond any run anyone would start, and well inside 64 bits.
constexpr double kLongestEstimateSeconds = 1e15;

std::string Counted(int64_t count, const char* one, const char* many) {
  return std::to_string(count) + " " + (count == 1 ? one : many);
}

}  // namespace

DownloadEstimate EstimateDownload(int64_t tiles, int32_t workers,
                                  std::chrono::milliseconds pausePerTile) {
  DownloadEstimate estimate;
  estimate.Tiles = std::max<int64_t>(tiles, 0);
  estimate.Workers =
      static_cast<int32_t>(std::clamp<int64_t>(workers, 1, std::max<int64_t>(tiles, 1)));
  const int64_t largestShare = (estimate.Tiles + estimate.Workers - 1) / estimate.Workers;
  // In floating point: the share of a world at a deep zoom times the pause overflows 64 bits.
  const double pauseMs = static_cast<double>(std::max<int64_t>(pausePerTile.count(), 0));
  const double seconds = std::ceil(static_cast<double>(largestShare) * pauseMs / 1000);
  estimate.Seconds = static_cast<int64_t>(std::min(seconds, kLongestEstimateSeconds));
  return estimate;
}

std::string EstimateText(const DownloadEstimate& estimate) {
  return Counted(estimate.Tiles, "tile", "tiles") + ", about " + SpanText(estimate.Seconds) +
         " with " + Counted(estimate.Workers, "worker", "workers");
}

std::string SpanText(int64_t seconds) {
  return SpokenLongDuration(seconds).value_or(DurationText(seconds));
}

std::string DurationText(int64_t seconds) {
  struct Unit {
    int64_t seconds;
    const char* name;
  };
  constexpr std::array<Unit, 4> kUnits{{{86400, "d"}, {3600, "h"}, {60, "min"}, {1, "s"}}};
  seconds = std::max<int64_t>(seconds, 0);
  for (size_t unit = 0; unit + 1 < kUnits.size(); ++unit) {
    if (seconds >= kUnits[unit].seconds) {
      const Unit& next = kUnits[unit + 1];
      const int64_t whole = seconds / kUnits[unit].seconds;
      const int64_t rest = seconds % kUnits[unit].seconds / next.seconds;
      std::string text = std::to_string(whole) + " " + kUnits[unit].name;
      return rest == 0 ? text : text + " " + std::to_string(rest) + " " + next.name;
    }
  }
  return std::to_string(seconds) + " s";
}

}  // namespace kartovel
