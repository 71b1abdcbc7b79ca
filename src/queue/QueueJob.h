// One job of the download queue: the request as the user gave it (area, zooms, source,
// folder, name), where it stands, and how far its current run has come. A job is carried
// out as one engine job: a run per zoom in ascending order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "engine/ProgramSettings.h"
#include "engine/RunRequest.h"

namespace kartovel {

enum class JobState { Waiting, Running, Done, EndedWithFailures, Stopped };

// "waiting", "running", "done", "ended with failures", "stopped": the list's words and
// the queue file's.
std::string_view JobStateName(JobState state);
std::optional<JobState> JobStateNamed(std::string_view name);

struct QueueJob {
  int32_t Id = 0;  // unique in its queue, never reused while the job is in it
  // The rectangle's texts as the request carries them; a shaped job keeps its shape in a
  // file of its own beside the queue (HasShape).
  std::string LeftLongitude;
  std::string RightLongitude;
  std::string TopLatitude;
  std::string BottomLatitude;
  bool HasShape = false;
  int32_t FirstZoom = 0;
  int32_t LastZoom = 0;
  // Written as a range: each zoom's task is named NAME + "_" + zoom even for one zoom.
  bool ZoomRange = false;
  int32_t MapsType = kBuiltInMapsType;
  std::string SavePath;
  std::string TaskName;
  JobState State = JobState::Waiting;
  // The current (or last) run: its zoom and its settled and total tiles.
  int32_t Zoom = 0;
  int32_t Settled = 0;
  int32_t Total = 0;
  std::string Note;  // why the job ended with failures, when it did not run to its end
  bool operator==(const QueueJob&) const = default;
};

// "12" or "12-14" (and "12-12" for a one-zoom range).
std::string ZoomsText(const QueueJob& job);
// The list's line of a job: its name, zooms, source, folder, state and progress.
std::string JobLine(const QueueJob& job);
// The task name of one of the job's zooms, as the command line names a zoom range's
// tasks; a single zoom keeps its name, with ".qtsk".
std::string JobTaskName(const QueueJob& job, int32_t zoom);
// True while the queue still has to run (or continue) the job.
bool StillToRun(const QueueJob& job);

// The job's first request, from a front end's request of its first zoom.
QueueJob JobOfRequest(const RunRequest& first, int32_t firstZoom, int32_t lastZoom,
                      bool zoomRange);

// The requests of the job's zooms with today's settings: its source from the sources
// file, or the copy its first task stored when the file no longer lists it. The sentence
// of the fault when the source is known nowhere.
std::variant<std::vector<RunRequest>, std::string> RequestsOfJob(
    const QueueJob& job, const ProgramSettings& settings, const std::optional<Shape>& shape);

}  // namespace kartovel
