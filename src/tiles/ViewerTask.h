// What the map viewer holds of an opened task: its tiles with their edges and the
// status of each tile's file.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "tiles/TaskFiles.h"
#include "tiles/TileList.h"
#include "tiles/TileStatus.h"

namespace kartovel::tools {

struct ViewerTask {
  TaskFiles files;
  std::vector<TileEntry> tiles;
  std::vector<TileStatus> statuses;  // one per tile
  TileStatusCounts counts;
};

// Reads the list of the task that path names (a .qtsk or a _list.txt) and checks every
// tile's file against the blank image of the tiles' kind in the program folder (which
// may not exist). Throws AppError.
ViewerTask LoadViewerTask(const std::string& path, const std::string& programFolder);

// The blank image beside the program for tiles of that extension ("png", "jpg", "webp"):
// the shipped files' folder (common/ProgramLayout.h) + "blankimg/blank." + extension.
std::string BlankImagePath(const std::string& programFolder, std::string_view extension);

}  // namespace kartovel::tools
