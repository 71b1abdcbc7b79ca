// The runs of a zoom range.
#include "app/ZoomJob.h"

#include <algorithm>

#include "task/TaskName.h"

namespace kartovel {

std::vector<RunRequest> RunsOfJob(const RequestedJob& job) {
  const bool range = job.LastZoom > job.FirstZoom;
  std::vector<RunRequest> runs;
  for (int32_t zoom = job.FirstZoom; zoom <= job.LastZoom; ++zoom) {
    RunRequest run = job.First;
    if (range) {
      run.Zoom = std::to_string(zoom);
      run.TaskName = TaskNameForZoom(job.First.TaskName, true, zoom);
    }
    runs.push_back(std::move(run));
  }
  return runs;
}

RequestedJob JobOfZoomRow(RunRequest request, const ZoomRow& row,
                          std::pair<int32_t, int32_t> limits, std::string programFolder) {
  const auto typed = ReadTypedZoom(row.FirstText, limits);
  const int32_t* first = std::get_if<int32_t>(&typed);
  const int32_t zoom = first ? *first : row.First;
  return {std::move(request), zoom, std::max(zoom, LastZoomOf(row)), std::move(programFolder)};
}

std::variant<RequestedJob, std::string> CheckedJobOfZoomRow(RunRequest request,
                                                            const ZoomRow& row,
                                                            std::pair<int32_t, int32_t> limits,
                                                            std::string programFolder) {
  const auto typed = ReadTypedZoom(row.FirstText, limits);
  if (const auto* fault = std::get_if<std::string>(&typed)) {
    return *fault;
  }
  RequestedJob job = JobOfZoomRow(std::move(request), row, limits, std::move(programFolder));
  if (auto fault = ZoomRangeFault(job)) {
    return *std::move(fault);
  }
  return job;
}

std::string ZoomRunStatus(int32_t zoom, size_t index, size_t count,
                          const std::string& taskFileName) {
  return "Zoom " + std::to_string(zoom) + " (" + std::to_string(index + 1) + " of " +
         std::to_string(count) + "): " + taskFileName;
}

}  // namespace kartovel
