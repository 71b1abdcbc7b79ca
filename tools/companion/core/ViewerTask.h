// What the map viewer holds of an opened task: its tiles with their edges and the
// status of each tile's file.
#pragma once

#include <string>
#include <vector>

#include "core/TaskFiles.h"
#include "core/TileList.h"
#include "core/TileStatus.h"

namespace kartovel::tools {

struct ViewerTask {
  TaskFiles files;
  std::vector<TileEntry> tiles;
  std::vector<TileStatus> statuses;  // one per tile
  TileStatusCounts counts;
};

// Reads the list of the task that path names (a .qtsk or a _list.txt) and checks every
// tile's file against the blank image (blankFile may not exist). Throws AppError.
ViewerTask LoadViewerTask(const std::string& path, const std::string& blankFile);

// The blank image beside the program: program folder + "blankimg/blank.png".
std::string BlankImagePath(const std::string& programFolder);

}  // namespace kartovel::tools
