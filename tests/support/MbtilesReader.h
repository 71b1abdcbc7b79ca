// Reads an MBTiles file back for assertions: its tiles by zoom, column and TMS row, and
// its metadata rows.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "geometry/TileId.h"

namespace kartovel::testing {

using TileKey = TileId;  // zoom, column, TMS row

struct MbtilesContent {
  std::map<TileKey, std::string> Tiles;
  std::map<std::string, std::string> Metadata;
  // The table that places tiles (tiles itself, or map when tiles is a view over map and
  // images) has a unique index.
  bool HasUniqueTileIndex = false;
  std::string TilesKind;  // "table" or "view"
  int64_t StoredImages = -1;  // rows of images when tiles is a view
  std::string Integrity;  // Every row of a query on any SQLite file, each column as its bytes (blobs and texts as
// they are, numbers in SQLite's text form). Throws std::runtime_error when it fails.
std::vector<std::vector<std::string>> SqliteQuery(const std::string& fileName,
                                                  const std::string& sql);

// PRAGMA integrity_check's answer, "ok" when whole
  int64_t ApplicationId = 0;
};

// Every row of a query on any SQLite file, each column as its bytes (blobs and texts as
// they are, numbers in SQLite's text form). Throws std::runtime_error when it fails.
std::vector<std::vector<std::string>> SqliteQuery(const std::string& fileName,
                                                  const std::string& sql);

// PRAGMA integrity_check's answer for any SQLite file ("ok" when whole).
std::string SqliteIntegrity(const std::string& fileName);

// Throws std::runtime_error when the file is no SQLite database with both tables.
MbtilesContent ReadMbtiles(const std::string& fileName);

}  // namespace kartovel::testing
