// A download task as its files lie on disk after a run: the task file's map type, zoom
// and tile range, the tile folder and failed-tile file beside it, and the tile files
// the folder holds. Read by the MBTiles export and by the command line's task summary.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>

#include "geometry/TileCoverage.h"
#include "geometry/TileId.h"
#include "geometry/TileRange.h"
#include "task/TaskFile.h"
#include "task/TileName.h"

namespace kartovel {

struct TaskTiles {
  std::string TaskFile;
  // The task file's keys as read; the fields below are taken from them.
  TaskFileReading Saved;
  int32_t MapsType = 0;
  // The zoom (-1 when the task file does not say) and the range (empty, Max below Min,
  // when it does not say).
  TileRange Range{.Zoom = -1, .MinX = 0, .MaxX = -1, .MinY = 0, .MaxY = -1};
  std::string TileFolder;  // task folder + base + "/"
  std::string FailedFile;  // task folder + base + "_failed.ftl"
  // The names of its tiles: the built-in map type's, or those of the task file's copy of
  // its map source (prefix and extension; the zoom is Zoom).
  TileNameKind Naming;
  // The attribution of the task file's copy of its map source; empty when it names none.
  std::string Attribution;
  // The zoom levels a task of its map type is started at; why its map source cannot be
  // read (empty when it can).
  int32_t FirstZoom = 0;
  int32_t LastZoom = -1;
  std::string SourceFault;
  // The tiles of the range a shaped task's shape covers, as its run fetched them; none
  // for a rectangle's task.
  std::shared_ptr<const TileCoverage> Shaped;

  // The task's tiles: those in the range (0 when it is empty), or the shape's.
  int64_t TotalCount() const;
  // Inside the range and inside the grid of the zoom (a range that reaches longitude
  // 180 names one column past the grid's east edge).
  bool InGrid(int64_t x, int64_t y) const;
  // One of the task's tiles: in the grid and, for a shaped task, covered by its shape.
  bool Holds(int64_t x, int64_t y) const;
};

// Reads the task file. Throws "Cannot open file <name>" when it does not exist.
TaskTiles ReadTaskTiles(const std::string& taskFile);

// Why the program could never have written the task file's map type, zoom or range
// (a zoom outside the map type's levels, a range outside the grid of its zoom, or one
// past its east edge for the column that longitude 180 names); empty when it could.
std::string UnwrittenTaskFault(const TaskTiles& task);
// Reads the task file and refuses one the program could never have written, with a
// message that names the file. Throws like ReadTaskTiles.
TaskTiles ReadSoundTaskTiles(const std::string& taskFile);

// The column and row that a tile file name gives, when it is a name of the task's naming
// at the zoom: prefix_x_y_zoom.extension with decimal numbers.
std::optional<std::pair<int32_t, int32_t>> ParseTileFileName(std::string_view name,
                                                             const TileNameKind& naming,
                                                             int32_t zoom);

struct TileFile {
  TileId Tile;
  std::string Path;
};

// Calls visit for every file of the tile folder whose name is one of the task's tiles
// (see Holds), in the folder's order, until it returns false. A missing tile folder
// holds none. False when visit stopped the walk.
bool ForEachTileFile(const TaskTiles& task, const std::function<bool(const TileFile&)>& visit);

// The tiles the failed-tile file lists, by file name, and when the file was last saved.
struct FailedTiles {
  std::unordered_set<std::string> Names;
  std::optional<timespec> SavedAt;  // none when there is no file
};

// Reads the task's failed-tile file; a missing file lists no tile.
FailedTiles ReadFailedTiles(const TaskTiles& task);

}  // namespace kartovel
