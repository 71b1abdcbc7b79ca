// Finding a task's list file and tile folder from the path the user opened.
#include "tiles/TaskFiles.h"

#include <string_view>

#include "common/Error.h"
#include "common/FileSystem.h"
#include "common/Paths.h"
#include "task/TaskFile.h"

namespace kartovel::tools {
namespace {

constexpr std::string_view kListSuffix = "_list.txt";

bool NamesListFile(const std::string& path) {
  return ExtractFileName(path).ends_with(kListSuffix);
}

}  // namespace

TaskFiles LocateTaskFiles(const std::string& openedPath) {
  std::string base = NamesListFile(openedPath)
                         ? openedPath.substr(0, openedPath.size() - kListSuffix.size())
                         : RemoveFileExt(openedPath);
  return TaskFiles{base + ".qtsk", base + std::string(kListSuffix),
                   base + std::string(1, kPathSeparator)};
}

TaskSummary ReadTaskSummary(const std::string& openedPath) {
  TaskSummary summary;
  summary.files = LocateTaskFiles(openedPath);
  bool openedTaskFile = !NamesListFile(openedPath);
  if (openedTaskFile && !FileExists(openedPath)) {
    throw CannotOpenFile(openedPath);
  }
  if (openedTaskFile) {
    // The task file keeps its own name even when its extension is not ".qtsk".
    summary.files.taskFile = openedPath;
  }
  if (FileExists(summary.files.taskFile)) {
    const TaskFileValues saved = ReadTaskFile(summary.files.taskFile).Values;
    summary.MapsType = saved.MapsType.value_or(0);
    summary.Zoom = saved.Zoom.value_or(-1);
  }
  if (!FileExists(summary.files.listFile)) {
    throw CannotOpenFile(summary.files.listFile);
  }
  return summary;
}

}  // namespace kartovel::tools
