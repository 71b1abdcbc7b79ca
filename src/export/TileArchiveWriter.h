// What every export file writer takes: the tileset's description once, then tiles one
// at a time in any order, then Commit, which makes the target file whole and puts it in
// place. A writer destroyed without Commit leaves the target as it was.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "geometry/GeoBounds.h"

namespace kartovel {

// The tileset as the tasks describe it.
struct TilesetInfo {
  std::string Name;
  std::string Format;  // "png", "jpg" or "webp"
  std::string Attribution;
  int32_t MinZoom = 0;
  int32_t MaxZoom = 0;
  std::optional<GeoBounds> Bounds;
  // The map source's address template and request headers; empty for the built-in
  // map type and for a source that names none.
  std::string UrlTemplate;
  std::string Referer;
  std::string UserAgent;
  // The MBTiles metadata rows in the order they are written.
  std::vector<std::pair<std::string, std::string>> MbtilesRows;
};

// How much an archive stored: tiles added and distinct contents kept.
struct ArchiveStats {
  int64_t Tiles = 0;
  int64_t Contents = 0;
};

class TileArchiveWriter {
 public:
  virtual ~TileArchiveWriter() = default;
  // row counts from the north edge of the grid, as the tasks do. A tile already added
  // at the same place is replaced.
  virtual void AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) = 0;
  // Completes the file and renames it over the target.
  virtual void Commit() = 0;
  virtual ArchiveStats Stats() const = 0;
};

}  // namespace kartovel
