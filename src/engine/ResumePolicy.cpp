// The continue test and the shares of a continued run's workers.
#include "engine/ResumePolicy.h"

#include <algorithm>

#include "common/FileSystem.h"
#include "common/IniFile.h"
#include "common/Paths.h"
#include "task/MapSourcesFile.h"
#include "task/TaskFileKeys.h"

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
  const int64_t rows = int64_t{task.MaxY} - task.MinY + 1;
  const int64_t skip = (int64_t{resumeX} - task.MinX) * rows + (int64_t{resumeY} - task.MinY) + 1;
  return std::clamp<int64_t>(skip, 0, task.TotalCount);
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
