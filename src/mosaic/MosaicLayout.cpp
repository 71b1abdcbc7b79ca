// Mosaic layout: grid bounds from the tile names, row direction and edges from the
// tile edges of the list.
#include "mosaic/MosaicLayout.h"

#include <algorithm>
#include <string>

#include "common/Error.h"

namespace kartovel::tools {
namespace {

// Rows grow southward unless a tile with a larger row number lies further north.
bool RowsGrowSouthward(const std::vector<TileEntry>& tiles, int32_t minY, int32_t maxY) {
  if (minY == maxY) {
    return true;
  }
  auto withRow = [&tiles](int32_t row) {
    return *std::find_if(tiles.begin(), tiles.end(),
                         [row](const TileEntry& tile) { return tile.Tile.Y == row; });
  };
  return withRow(minY).north > withRow(maxY).north;
}

}  // namespace

MosaicLayout LayoutMosaic(const std::vector<TileEntry>& tiles, int32_t tileWidth,
                          int32_t tileHeight) {
  if (tiles.empty()) {
    throw AppError("The tile list holds no tiles");
  }
  MosaicLayout layout;
  const TileEntry& first = tiles.front();
  TileRange& range = layout.Range;
  range = TileRange{.Zoom = first.Tile.Zoom,
                    .MinX = first.Tile.X,
                    .MaxX = first.Tile.X,
                    .MinY = first.Tile.Y,
                    .MaxY = first.Tile.Y};
  layout.west = first.west;
  layout.east = first.east;
  layout.north = first.north;
  layout.south = first.south;
  for (const TileEntry& tile : tiles) {
    if (tile.Tile.Zoom != range.Zoom) {
      throw AppError("The tile list mixes zoom levels " + std::to_string(range.Zoom) + " and " +
                     std::to_string(tile.Tile.Zoom));
    }
    range.MinX = std::min(range.MinX, tile.Tile.X);
    range.MaxX = std::max(range.MaxX, tile.Tile.X);
    range.MinY = std::min(range.MinY, tile.Tile.Y);
    range.MaxY = std::max(range.MaxY, tile.Tile.Y);
    layout.west = std::min(layout.west, tile.west);
    layout.east = std::max(layout.east, tile.east);
    layout.north = std::max(layout.north, tile.north);
    layout.south = std::min(layout.south, tile.south);
  }
  layout.northOrigin = RowsGrowSouthward(tiles, range.MinY, range.MaxY);
  layout.tileWidth = tileWidth;
  layout.tileHeight = tileHeight;
  return layout;
}

void RefuseUnworkableMosaic(const MosaicLayout& layout) {
  const int64_t width = layout.Width();
  const int64_t height = layout.Height();
  if (width > kMaxMosaicSide || height > kMaxMosaicSide) {
    throw AppError("The mosaic would be " + std::to_string(width) + " x " + std::to_string(height) +
                   " pixels; one PNG image holds at most " + std::to_string(kMaxMosaicSide) +
                   " pixels a side");
  }
  // Both sides are at most kMaxMosaicSide here, so the product cannot overflow.
  const int64_t bandBytes = width * layout.tileHeight * kMosaicBytesPerPixel;
  if (bandBytes > kMaxBandBytes) {
    constexpr int64_t kMegabyte = int64_t{1} << 20;
    throw AppError("The mosaic would need " + std::to_string(bandBytes / kMegabyte) +
                   " MB of memory for each row of tiles (" + std::to_string(width) +
                   " pixels wide, tiles " + std::to_string(layout.tileHeight) +
                   " pixels high); combine works with at most " +
                   std::to_string(kMaxBandBytes / kMegabyte) + " MB");
  }
}

std::vector<std::vector<size_t>> TilesByBand(const std::vector<TileEntry>& tiles,
                                             const MosaicLayout& layout) {
  std::vector<std::vector<size_t>> bands(static_cast<size_t>(layout.Rows()));
  for (size_t index = 0; index < tiles.size(); ++index) {
    bands[static_cast<size_t>(layout.BandOf(tiles[index].Tile.Y))].push_back(index);
  }
  for (std::vector<size_t>& band : bands) {
    std::stable_sort(band.begin(), band.end(),
                     [&tiles](size_t a, size_t b) { return tiles[a].Tile.X < tiles[b].Tile.X; });
    band.erase(
        std::unique(band.begin(), band.end(),
                    [&tiles](size_t a, size_t b) { return tiles[a].Tile.X == tiles[b].Tile.X; }),
        band.end());
  }
  return bands;
}

}  // namespace kartovel::tools
