// Loading a task for the viewer.
#include "core/ViewerTask.h"

#include "common/Error.h"

namespace kartovel::tools {

ViewerTask LoadViewerTask(const std::string& path, const std::string& blankFile) {
  ViewerTask task;
  task.files = ReadTaskSummary(path).files;
  task.tiles = ReadTileList(task.files.listFile);
  if (task.tiles.empty()) {
    throw AppError("The tile list " + task.files.listFile + " holds no tiles");
  }
  TileStatusScanner scanner(ReadBlankImage(blankFile));
  task.statuses = ScanTiles(task.tiles, task.files.tileFolder, scanner);
  task.counts = CountStatuses(task.statuses);
  return task;
}

std::string BlankImagePath(const std::string& programFolder) {
  return programFolder + "blankimg/blank.png";
}

}  // namespace kartovel::tools
