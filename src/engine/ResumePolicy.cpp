// The continue test and the shares of a continued run's workers.
#include "engine/ResumePolicy.h"

#include <algorithm>
#include <optional>
#include <string>

#include "common/Paths.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"

namespace kartovel {

namespace {

// What the continue test reads when a key is missing: never equal to a real request.
constexpr int32_t kMissingTaskValue = 100;

// Tiles of one worker's share up to and including its saved position (serial skip):
// the serials s in 1..skip with s mod workers == index.
int64_t SharedUpTo(int64_t skip, int32_t index, int32_t workers) {
  if (skip <= 0) {
    return 0;
  }
  if (index == 0) {
    return skip / workers;
  }
  return skip >= index ? (skip - index) / workers + 1 : 0;
}

// The serials a worker skips at a resume: up to and including its saved position, at most
// the whole range; 0 when it had none.
int64_t ResumeSkip(const DownloadTask& task, int32_t index) {
  const int32_t resumeX = task.ResumeX[index];
  const int32_t resumeY = task.ResumeY[index];
  if (resumeX == 0 || resumeY == 0) {
    return 0;
  }
  // A position outside the range still counts by the walk's arithmetic, then is clamped.
  const TileRange range = task.Range();
  const int64_t skip =
      (int64_t{resumeX} - range.MinX) * range.Rows() + (int64_t{resumeY} - range.MinY) + 1;
  return std::clamp<int64_t>(skip, 0, task.TotalCount);
}

}  // namespace

bool ContinuesEarlierRun(const RunRequest& request, const TaskParameters& params) {
  const std::string taskFilePath = params.SavePath + params.TaskFileName;
  const TaskFileReading reading = ReadTaskFile(taskFilePath);
  if (!reading.Exists) {
    return false;
  }
  const TaskFileValues& saved = reading.Values;
  const MapSource& chosen = request.Source;
  const auto sameText = [](const std::optional<std::string>& stored, const std::string& typed) {
    return stored.value_or("") == typed;
  };
  return saved.MapsType.value_or(kMissingTaskValue) == chosen.MapsType &&
         (IsBuiltIn(chosen) ||
          ReadTaskMapSource(taskFilePath, request.SourceUserAgent).Source == chosen) &&
         sameText(saved.LeftLongitude, request.LeftLongitude) &&
         sameText(saved.RightLongitude, request.RightLongitude) &&
         sameText(saved.TopLatitude, request.TopLatitude) &&
         sameText(saved.BottomLatitude, request.BottomLatitude) &&
         saved.Zoom.value_or(kMissingTaskValue) == params.Zoom &&
         ExtractFilePath(taskFilePath) == IncludeTrailingSeparator(request.SavePath) &&
         ExtractFileName(taskFilePath) == request.TaskName;
}

int32_t ResumedSettledCount(const DownloadTask& task) {
  const int32_t workers = task.Params.ThreadCount;
  int64_t settled = 0;
  for (int32_t i = 0; i < workers; ++i) {
    settled += SharedUpTo(ResumeSkip(task, i), i, workers);
  }
  return static_cast<int32_t>(std::min<int64_t>(settled, task.TotalCount));
}

int64_t ShareThisRun(const DownloadTask& task, int32_t index) {
  const int32_t workers = task.Params.ThreadCount;
  return SharedUpTo(task.TotalCount, index, workers) -
         SharedUpTo(ResumeSkip(task, index), index, workers);
}

}  // namespace kartovel
