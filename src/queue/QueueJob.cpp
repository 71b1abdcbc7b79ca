// A queue job's words, names and requests.
#include "queue/QueueJob.h"

#include <array>
#include <utility>

#include "common/FileSystem.h"
#include "common/Paths.h"
#include "task/MapSourcesFile.h"
#include "task/TaskName.h"

namespace kartovel {

namespace {

constexpr std::array<std::pair<JobState, std::string_view>, 5> kStateNames{{
    {JobState::Waiting, "waiting"},
    {JobState::Running, "running"},
    {JobState::Done, "done"},
    {JobState::EndedWithFailures, "ended with failures"},
    {JobState::Stopped, "stopped"},
}};

std::optional<MapSource> StoredSource(const QueueJob& job, const ProgramSettings& settings) {
  const std::string taskFile =
      IncludeTrailingSeparator(job.SavePath) + JobTaskName(job, job.FirstZoom);
  if (job.SavePath.empty() || !FileExists(taskFile)) {
    return std::nullopt;
  }
  std::optional<MapSource> source = ReadTaskMapSource(taskFile, settings.SourceUserAgent).Source;
  if (!source || source->MapsType != job.MapsType || IsBuiltIn(*source)) {
    return std::nullopt;
  }
  return source;
}

}  // namespace

std::string_view JobStateName(JobState state) {
  for (const auto& [value, name] : kStateNames) {
    if (value == state) {
      return name;
    }
  }
  return "waiting";
}

std::optional<JobState> JobStateNamed(std::string_view name) {
  for (const auto& [value, text] : kStateNames) {
    if (text == name) {
      return value;
    }
  }
  return std::nullopt;
}

std::string ZoomsText(const QueueJob& job) {
  if (!job.ZoomRange) {
    return std::to_string(job.FirstZoom);
  }
  return std::to_string(job.FirstZoom) + "-" + std::to_string(job.LastZoom);
}

std::string JobLine(const QueueJob& job) {
  std::string line = std::to_string(job.Id) + ". " + job.TaskName + ", zoom " + ZoomsText(job) +
                     ", map type " + std::to_string(job.MapsType) + ", " + job.SavePath + ": " +
                     std::string(JobStateName(job.State));
  if (job.Total > 0) {
    line += ", " + std::to_string(job.Settled) + " of " + std::to_string(job.Total) +
            " tiles at zoom " + std::to_string(job.Zoom);
  }
  if (!job.Note.empty()) {
    line += " (" + job.Note + ")";
  }
  return line;
}

std::string JobTaskName(const QueueJob& job, int32_t zoom) {
  return TaskNameForZoom(job.TaskName, job.ZoomRange, zoom);
}

bool StillToRun(const QueueJob& job) {
  return job.State == JobState::Waiting || job.State == JobState::Running;
}

QueueJob JobOfRequest(const RunRequest& first, int32_t firstZoom, int32_t lastZoom,
                      bool zoomRange) {
  QueueJob job;
  job.LeftLongitude = first.LeftLongitude;
  job.RightLongitude = first.RightLongitude;
  job.TopLatitude = first.TopLatitude;
  job.BottomLatitude = first.BottomLatitude;
  job.HasShape = first.AreaShape.has_value();
  job.FirstZoom = firstZoom;
  job.LastZoom = lastZoom;
  job.ZoomRange = zoomRange;
  job.MapsType = first.Source.MapsType;
  job.SavePath = first.SavePath;
  job.TaskName = first.TaskName;
  return job;
}

std::variant<std::vector<RunRequest>, std::string> RequestsOfJob(
    const QueueJob& job, const ProgramSettings& settings, const std::optional<Shape>& shape) {
  std::optional<MapSource> source;
  if (const MapSource* listed = SourceOfMapsType(settings.Sources, job.MapsType)) {
    source = *listed;
  } else {
    source = StoredSource(job, settings);
  }
  if (!source) {
    return "Map type " + std::to_string(job.MapsType) +
           " is not one of the map sources, and no task of the job holds a copy of it.";
  }
  std::vector<RunRequest> requests;
  for (int32_t zoom = job.FirstZoom; zoom <= job.LastZoom; ++zoom) {
    RunRequest request;
    request.LeftLongitude = job.LeftLongitude;
    request.RightLongitude = job.RightLongitude;
    request.TopLatitude = job.TopLatitude;
    request.BottomLatitude = job.BottomLatitude;
    request.AreaShape = shape;
    request.Zoom = std::to_string(zoom);
    request.SavePath = job.SavePath;
    request.TaskName = JobTaskName(job, zoom);
    request.Source = *source;
    request.TileHost = settings.TileHost;
    request.ConfigFilePath = settings.ConfigFilePath;
    request.SourceUserAgent = settings.SourceUserAgent;
    requests.push_back(std::move(request));
  }
  return requests;
}

}  // namespace kartovel
