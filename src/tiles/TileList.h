// The tile list file of a download run: one line per tile with its image file name and
// the longitudes and latitudes of its west, east, north and south edges.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geometry/TileEdges.h"
#include "geometry/TileId.h"

namespace kartovel::tools {

struct TileEntry {
  std::string name;  // image file name in the tile folder, e.g. "qn_6744_3104_13.png"
  TileId Tile;       // zoom, column and row, from the name
  double west = 0;
  double east = 0;
  double north = 0;
  double south = 0;

  // A list entry is placed on the map by its edges alone.
  operator TileEdges() const { return {west, east, north, south}; }
};

// Column, row and zoom of a name "prefix_X_Y_Z.ext"; empty when the name has another form.
std::optional<TileId> ParseTileName(std::string_view name);

// One line "name: west east north south"; empty for a line of another form (the
// heading line included) or with an edge no tile can have (not a number, infinite, a
// longitude outside -180..540, a latitude at or beyond a pole).
std::optional<TileEntry> ParseTileListLine(std::string_view line);

// Every tile of a list file, in file order. The heading line and empty lines are
// skipped; any other line that does not parse is an error naming the line.
// Throws AppError "Cannot open file %s" when the file cannot be read.
std::vector<TileEntry> ReadTileList(const std::string& listFile);

}  // namespace kartovel::tools
