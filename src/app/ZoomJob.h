// A request of the main window over a range of zooms as the runs of one job, in ascending
// order: one zoom is one run of the request as typed (its name too, so that a name typed
// with ".qtsk" continues as it always has); each zoom of a range is a task of its own,
// named as the command line names them (NAME + "_" + zoom).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "app/RequestEstimate.h"
#include "app/ZoomBox.h"
#include "engine/RunRequest.h"

namespace kartovel {

std::vector<RunRequest> RunsOfJob(const RequestedJob& job);

// The job of a request over the zoom row, as Start reads it: the first zoom is the box's
// (a source's zoom may stand there above the spinner's reach), the last the row's.
// limits: the source's zooms.
RequestedJob JobOfZoomRow(RunRequest request, const ZoomRow& row,
                          std::pair<int32_t, int32_t> limits, std::string programFolder);
// The same job, or the sentence why the row names no zooms of the source.
std::variant<RequestedJob, std::string> CheckedJobOfZoomRow(RunRequest request,
                                                            const ZoomRow& row,
                                                            std::pair<int32_t, int32_t> limits,
                                                            std::string programFolder);

// The status line while a zoom of a range runs: "Zoom 13 (2 of 2): berlin_13.qtsk".
std::string ZoomRunStatus(int32_t zoom, size_t index, size_t count,
                          const std::string& taskFileName);

}  // namespace kartovel
