// A task's tiles on disk and failed records, counted from its files.
#include "app/TaskStanding.h"

#include "common/FileSystem.h"
#include "common/LineFile.h"
#include "export/TaskTiles.h"

namespace kartovel {

TaskStanding ReadTaskStanding(const std::string& taskFile) {
  const TaskTiles task = ReadSoundTaskTiles(taskFile);
  TaskStanding standing;
  standing.TotalCount = task.TotalCount();
  ForEachTileFile(task, [&standing](const TileFile&) {
    ++standing.TilesOnDisk;
    return true;
  });
  if (FileExists(task.FailedFile)) {
    for (const std::string& line : ReadLines(task.FailedFile)) {
      standing.FailedRecords += line.empty() ? 0 : 1;
    }
  }
  return standing;
}

std::string TaskStandingText(const std::string& taskName, const TaskStanding& standing) {
  const auto plural = [](int64_t count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
  };
  return taskName + ": " + std::to_string(standing.TilesOnDisk) + " of " +
         plural(standing.TotalCount, "tile", "tiles") + " on disk, " +
         plural(standing.FailedRecords, "failed record", "failed records") + ".";
}

}  // namespace kartovel
