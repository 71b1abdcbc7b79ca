// Writes one GeoPackage 1.3 file of tiles, as GDAL's GPKG driver and the GIS apps read
// it: the coordinate systems (EPSG:3857 among the required ones), the contents row with
// the tiles' area in metres, the tile matrix set over the whole Web-Mercator grid, one
// tile matrix per zoom, and the tile table with rows counted from the top.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>

#include "export/SqliteArchive.h"
#include "export/TileArchiveWriter.h"

namespace kartovel {

class GeopackageWriter final : public TileArchiveWriter {
 public:
  // The tile table's name.
  static constexpr char kTileTable[] = "tiles";

  GeopackageWriter(const std::string& targetFile, const TilesetInfo& info);

  void AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) override;
  // Writes the tile matrices of the zooms added, then completes the file.
  void Commit() override;
  ArchiveStats Stats() const override { return {tiles_, tiles_}; }

 private:
  SqliteArchive archive_;
  SqliteStatement& insertTile_;
  std::set<int32_t> zooms_;
  int32_t tileWidth_ = 0;
  int32_t tileHeight_ = 0;
  int64_t tiles_ = 0;
};

}  // namespace kartovel
