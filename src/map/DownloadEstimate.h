// How long a download of an area takes with a map source's workers and pause: each
// worker fetches its share of the tiles one after the other and pauses after each, so
// the run lasts about the largest share times the pause. The fetches themselves add to
// that, which is why the text says "about".
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace kartovel {

struct DownloadEstimate {
  int64_t Tiles = 0;
  int32_t Workers = 0;  // the source's workers, or fewer when there are fewer tiles
  int64_t Seconds = 0;
};

DownloadEstimate EstimateDownload(int64_t tiles, int32_t workers,
                                  std::chrono::milliseconds pausePerTile);

// "744 tiles, about 1 min 33 s with 8 workers".
std::string EstimateText(const DownloadEstimate& estimate);

// A span as an estimate says it: days, months or years from two days on (see
// SpokenLongDuration), else DurationText.
std::string SpanText(int64_t seconds);

// A span in its two largest units: "45 s", "1 min 33 s", "2 h 5 min", "3 d 4 h".
std::string DurationText(int64_t seconds);

}  // namespace kartovel
