// Reads a PMTiles version 3 archive back for assertions, on its own: the header, every
// directory (root and leaves, gzip-inflated), the tiles by zoom, column and row (tile ids
// turned back into places along the Hilbert curves) and the metadata JSON, checking the
// rules a reader relies on as it goes.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

namespace kartovel::testing {

struct PmtilesContent {
  std::map<std::tuple<int, int, int>, std::string> Tiles;  // zoom, column, row from the north
  std::string Metadata;                                    // the JSON text
  uint64_t AddressedTiles = 0;
  uint64_t TileEntries = 0;
  uint64_t TileContents = 0;
  uint64_t RunEntries = 0;  // entries with a run length above 1
  uint64_t LeafDirectories = 0;
  uint64_t RootLength = 0;
  int TileType = 0;
  int MinZoom = 0;
  int MaxZoom = 0;
  // "ok", or the first rule the archive breaks.
  std::string Structure;
};

// The zoom, column and row of a tile id.
std::tuple<int, uint64_t, uint64_t> PmtilesPlaceOf(uint64_t tileId);

PmtilesContent ReadPmtiles(const std::string& fileName);

}  // namespace kartovel::testing
