// What a run that a storm of refusals paused tells the user: what the server answered,
// since when, how the source is fetched and what to do about it.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>

#include "download/RefusalDetector.h"
#include "task/MapSource.h"

namespace kartovel {

// Two sentences, for the log pane and the command line; RefusalStormLine joins them for
// the status line. workers: the run's workers; sinceText: when the row of refusals began.
std::string RefusalStormWhat(const RefusalStorm& storm, const std::string& sinceText);
std::string RefusalStormAdvice(const MapSource& source, int32_t workers);
std::string RefusalStormLine(const RefusalStorm& storm, const std::string& sinceText,
                             const MapSource& source, int32_t workers);

// The local time of a moment, "YYYY-MM-DD HH:MM:SS".
std::string LocalTimeText(std::chrono::system_clock::time_point moment);

}  // namespace kartovel
