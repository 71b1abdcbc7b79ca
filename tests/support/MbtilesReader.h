// Reads an MBTiles file back for assertions: its tiles by zoom, column and TMS row, and
// its metadata rows.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "geometry/TileId.h"

namespace kartovel::testing {

struct MbtilesContent {
  std::map<TileId, std::string> Tiles;  // the row as stored, counted from the south (TMS)
  std::map<std::string, std::string> Metadata;
  bool HasUniqueTileIndex = false;
};

// Throws std::runtime_error when the file is no SQLite database with both tables.
MbtilesContent ReadMbtiles(const std::string& fileName);

}  // namespace kartovel::testing
