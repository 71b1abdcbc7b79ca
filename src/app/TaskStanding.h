// How far a download task got, as its files on disk show it: its tile files of the
// range's total and the records of its failed-tile file. Open task shows it in the
// status line.
#pragma once

#include <cstdint>
#include <string>

namespace kartovel {

struct TaskStanding {
  int64_t TilesOnDisk = 0;
  int64_t TotalCount = 0;
  int64_t FailedRecords = 0;
};

// Reads the task file, its tile folder and its failed-tile file. Throws AppError with a
// sentence when the task file cannot be read or the program could never have written it.
TaskStanding ReadTaskStanding(const std::string& taskFile);

// "berlin.qtsk: 812 of 1024 tiles on disk, 3 failed records."
std::string TaskStandingText(const std::string& taskName, const TaskStanding& standing);

}  // namespace kartovel
