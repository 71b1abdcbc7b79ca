// The files of one download task as the companion programs find them: the task file
// (.qtsk), the tile list beside it (base + "_list.txt") and the tile folder (base + "/").
#pragma once

#include <cstdint>
#include <string>

namespace kartovel::tools {

struct TaskFiles {
  std::string taskFile;    // base + ".qtsk"
  std::string listFile;    // base + "_list.txt"
  std::string tileFolder;  // base + "/"
};

// The files of the task that a path names: a task file, or a tile list file ending in
// "_list.txt" (then the task file is base + ".qtsk", which need not exist).
TaskFiles LocateTaskFiles(const std::string& openedPath);

// What the companion programs take from a task file.
struct TaskSummary {
  TaskFiles files;
  int32_t MapsType = 0;  // 0 when the task file does not say
  int32_t Zoom = -1;     // -1 when the task file does not say
};

// Locates the task's files and reads the task file when there is one. Throws AppError
// "Cannot open file %s" when a named task file or the tile list does not exist.
TaskSummary ReadTaskSummary(const std::string& openedPath);

}  // namespace kartovel::tools
