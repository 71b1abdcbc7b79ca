// Loading a task for the viewer.
#include "tiles/ViewerTask.h"

#include "common/Error.h"
#include "common/Paths.h"
#include "common/ProgramLayout.h"

namespace kartovel::tools {

ViewerTask LoadViewerTask(const std::string& path, const std::string& programFolder) {
  ViewerTask task;
  task.files = ReadTaskSummary(path).files;
  task.tiles = ReadTileList(task.files.listFile);
  if (task.tiles.empty()) {
    throw AppError("The tile list " + task.files.listFile + " holds no tiles");
  }
  // The list names every tile with the extension of the task's map source, so the task
  // file is not needed to tell which blank image stands in for its tiles.
  const std::string extension = ExtractFileExt(task.tiles.front().name);
  const std::string blankFile =
      BlankImagePath(programFolder, extension.empty() ? extension : extension.substr(1));
  TileStatusScanner scanner(ReadBlankImage(blankFile));
  task.statuses = ScanTiles(task.tiles, task.files.tileFolder, scanner);
  task.counts = CountStatuses(task.statuses);
  return task;
}

std::string BlankImagePath(const std::string& programFolder, std::string_view extension) {
  return ResourceFolder(programFolder) + "blankimg/blank." + std::string(extension);
}

}  // namespace kartovel::tools
