// Writes one OsmAnd / Locus map file (.sqlitedb): table tiles(x, y, z, s, image) with the
// zoom numbered the way these apps' BigPlanet layout does (z = 17 - zoom), and table info
// with the zoom range in the same numbering and, when the map source names them, its
// address template (in the apps' {0} zoom, {1} column, {2} row form), Referer and
// User-Agent, so that the app fetching missing tiles itself asks as the source wants.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export/SqliteArchive.h"
#include "export/TileArchiveWriter.h"

namespace kartovel {

// The zoom as the file stores it.
inline int32_t SqlitedbZoom(int32_t zoom) { return 17 - zoom; }

// The apps' form of an address template: {z} {x} {y} as {0} {1} {2}.
std::string SqlitedbUrlTemplate(std::string_view urlTemplate);

class SqlitedbWriter final : public TileArchiveWriter {
 public:
  SqlitedbWriter(const std::string& targetFile, const TilesetInfo& info);

  void AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) override;
  void Commit() override { archive_.Commit(); }
  ArchiveStats Stats() const override { return {tiles_, tiles_}; }

 private:
  SqliteArchive archive_;
  SqliteStatement& insertTile_;
  int64_t tiles_ = 0;
};

}  // namespace kartovel
