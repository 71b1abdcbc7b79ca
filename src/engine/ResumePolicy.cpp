// The continue test and the shares of a continued run's workers.
#include "engine/ResumePolicy.h"

#include <algorithm>

#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "common/Paths.h"
#include "common/Error.h"
#include "common/NumberFormat.h"
#include "task/MapSourcesFile.h"
#include "task/TaskShape.h"
#include "task/TaskFileKeys.h"

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
  const int64_t rows = int64_t{task.MaxY} - task.MinY + 1;
  const int64_t skip = (int64_t{resumeX} - task.MinX) * rows + (int64_t{resumeY} - task.MinY) + 1;
  const int64_t rangeCount = (int64_t{task.MaxX} - task.MinX + 1) * rows;
  return std::clamp<int64_t>(skip, 0, rangeCount);
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
  if (!FileExists(taskFilePath)) {
    return false;
  }
  const TIniFile taskFile(taskFilePath);
  const MapSource& chosen = request.Source;
  const auto area = [&taskFile](const char* key) {
    return taskFile.ReadString(taskfile::kAreaSection, key, "");
  };
  if (!SameArea(request, taskFilePath)) {
    return false;
  }
  // A shaped request's rectangle is its shape's bounds, as the task file holds them.
  if (request.AreaShape) {
    const auto bound = [&area](const char* key, double value) {
      return area(key) == FormatGeneral(value);
    };
    return taskFile.ReadInteger(taskfile::kMapsTypeSection, taskfile::kMapsType,
                                kMissingTaskValue) == chosen.MapsType &&
           (IsBuiltIn(chosen) ||
            ReadTaskMapSource(taskFilePath, request.SourceUserAgent).Source == chosen) &&
           bound(taskfile::kLeftLongitude, params.LeftLongitude) &&
           bound(taskfile::kRightLongitude, params.RightLongitude) &&
           bound(taskfile::kTopLatitude, params.TopLatitude) &&
           bound(taskfile::kBottomLatitude, params.BottomLatitude) &&
           taskFile.ReadInteger(taskfile::kZoomSection, taskfile::kZoom, kMissingTaskValue) ==
               params.Zoom &&
           ExtractFilePath(taskFilePath) == IncludeTrailingSeparator(request.SavePath) &&
           ExtractFileName(taskFilePath) == request.TaskName;
  }
  return taskFile.ReadInteger(taskfile::kMapsTypeSection, taskfile::kMapsType, kMissingTaskValue) ==
             chosen.MapsType &&
         (IsBuiltIn(chosen) ||
          ReadTaskMapSource(taskFilePath, request.SourceUserAgent).Source == chosen) &&
         area(taskfile::kLeftLongitude) == request.LeftLongitude &&
         area(taskfile::kRightLongitude) == request.RightLongitude &&
         area(taskfile::kTopLatitude) == request.TopLatitude &&
         area(taskfile::kBottomLatitude) == request.BottomLatitude &&
         taskFile.ReadInteger(taskfile::kZoomSection, taskfile::kZoom, kMissingTaskValue) ==
             params.Zoom &&
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
  const int64_t rangeCount = (int64_t{task.MaxX} - task.MinX + 1) * (int64_t{task.MaxY} - task.MinY + 1);
  return task.CoveredInShare(rangeCount, index, workers) -
         task.CoveredInShare(ResumeSkip(task, index), index, workers);
}

}  // namespace kartovel
