// Reads an MBTiles file back for assertions: its tiles by zoom, column and TMS row, and
// its metadata rows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

namespace kartovel::testing {

using TileKey = std::tuple<int32_t, int32_t, int32_t>;  // zoom, column, TMS row

struct MbtilesContent {
  std::map<TileKey, std::string> Tiles;
  std::map<std::string, std::string> Metadata;
  bool HasUniqueTileIndex = false;
};

// Throws std::runtime_error when the file is no SQLite database with both tables.
MbtilesContent ReadMbtiles(const std::string& fileName);

}  // namespace kartovel::testing
