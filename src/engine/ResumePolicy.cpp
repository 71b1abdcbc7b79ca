// The continue test and the shares of a continued run's workers.
#include "engine/ResumePolicy.h"

#include <algorithm>
#include <optional>
#include <string>

#include "common/Paths.h"
#include "common/Error.h"
#include "common/NumberFormat.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFile.h"
#include "task/TaskShape.h"

namespace kartovel {

namespace {

// What the continue test reads when a key is missing: never equal to a real request.
constexpr int32_t kMissingTaskValue = 100;

// The serials a worker skips at a resume: up to and including its saved position, at most
// the whole range; 0 when it had none.
int64_t ResumeSkip(const DownloadTask& task, int32_t index) {
  const int32_t resumeX = task.ResumeX[index];
  const int32_t resumeY = task.ResumeY[index];
  if (resumeX == 0 || resumeY == 0) {
    return 0;
  }
  // A position outside the range still counts by the walk's arithmetic, then is clamped
  // to the range (a shaped task's count is smaller than its range).
  const TileRange range = task.Range();
  const int64_t skip =
      (int64_t{resumeX} - range.MinX) * range.Rows() + (int64_t{resumeY} - range.MinY) + 1;
  return std::clamp<int64_t>(skip, 0, range.Count());
}

// Both a rectangle, or the same shape: a task file whose shape cannot be read is never
// continued (the fresh run asks before it replaces it).
bool SameArea(const RunRequest& request, const std::string& taskFilePath) {
  try {
    return ReadTaskShape(taskFilePath) == request.AreaShape;
  } catch (const AppError&) {
    return false;
  }
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
  if (!SameArea(request, taskFilePath)) {
    return false;
  }
  // A shaped request's rectangle is its shape's bounds, as the task file holds them; a
  // rectangle's is the text typed in its boxes.
  const auto sameBound = [&request, &sameText](const std::optional<std::string>& stored,
                                               const std::string& typed, double value) {
    return request.AreaShape ? stored.value_or("") == FormatGeneral(value) : sameText(stored, typed);
  };
  return saved.MapsType.value_or(kMissingTaskValue) == chosen.MapsType &&
         (IsBuiltIn(chosen) ||
          ReadTaskMapSource(taskFilePath, request.SourceUserAgent).Source == chosen) &&
         sameBound(saved.LeftLongitude, request.LeftLongitude, params.LeftLongitude) &&
         sameBound(saved.RightLongitude, request.RightLongitude, params.RightLongitude) &&
         sameBound(saved.TopLatitude, request.TopLatitude, params.TopLatitude) &&
         sameBound(saved.BottomLatitude, request.BottomLatitude, params.BottomLatitude) &&
         saved.Zoom.value_or(kMissingTaskValue) == params.Zoom &&
         ExtractFilePath(taskFilePath) == IncludeTrailingSeparator(request.SavePath) &&
         ExtractFileName(taskFilePath) == request.TaskName;
}

int32_t ResumedSettledCount(const DownloadTask& task) {
  const int32_t workers = task.Params.ThreadCount;
  int64_t settled = 0;
  for (int32_t i = 0; i < workers; ++i) {
    settled += task.CoveredInShare(ResumeSkip(task, i), i, workers);
  }
  return static_cast<int32_t>(std::min<int64_t>(settled, task.TotalCount));
}

int64_t ShareThisRun(const DownloadTask& task, int32_t index) {
  const int32_t workers = task.Params.ThreadCount;
  return task.CoveredInShare(task.Range().Count(), index, workers) -
         task.CoveredInShare(ResumeSkip(task, index), index, workers);
}

}  // namespace kartovel
