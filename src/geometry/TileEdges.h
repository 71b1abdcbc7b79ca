// A tile's edges in degrees, as a tile list gives them: what the placement math needs of
// a tile, whatever else a list holds about it.
#pragma once

namespace kartovel::tools {

struct TileEdges {
  double west = 0;
  double east = 0;
  double north = 0;
  double south = 0;
};

}  // namespace kartovel::tools
