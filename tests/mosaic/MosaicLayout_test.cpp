// Where tiles land in the mosaic: pixel offsets, size, edges and row direction.
#include "mosaic/MosaicLayout.h"

#include <gtest/gtest.h>

#include "common/Error.h"
#include "support/FakeTask.h"

namespace kartovel::tools {
namespace {

using testing::FakeTileLatitude;
using testing::FakeTileLongitude;

// A tile of the standard grid with its true edges.
TileEntry GridTile(int32_t x, int32_t y, int32_t zoom, bool southOrigin = false) {
  int32_t northRow = southOrigin ? (1 << zoom) - 1 - y : y;
  return TileEntry{testing::FakeTileName(x, y, zoom), {zoom, x, y},
                   FakeTileLongitude(x, zoom),        FakeTileLongitude(x + 1, zoom),
                   FakeTileLatitude(northRow, zoom),  FakeTileLatitude(northRow + 1, zoom)};
}

// Columns 10..13, rows 20..22 in the downloader's order: column by column.
std::vector<TileEntry> GridTiles(bool southOrigin) {
  std::vector<TileEntry> tiles;
  for (int32_t x = 10; x <= 13; ++x) {
    for (int32_t y = 20; y <= 22; ++y) {
      tiles.push_back(GridTile(x, y, 6, southOrigin));
    }
  }
  return tiles;
}

TEST(MosaicLayoutTest, PixelOffsetsCountFromTheNorthWestTile) {
  struct Case {
    bool southOrigin;
    int32_t x, y;
    int64_t left, top;
  };
  const Case cases[] = {
      {false, 10, 20, 0, 0},     {false, 13, 20, 768, 0}, {false, 10, 22, 0, 512},
      {false, 12, 21, 512, 256}, {true, 10, 22, 0, 0},    {true, 10, 20, 0, 512},
      {true, 13, 21, 768, 256},
  };
  for (const Case& c : cases) {
    MosaicLayout layout = LayoutMosaic(GridTiles(c.southOrigin), 256, 256);
    PixelOffset offset = layout.OffsetOf(c.x, c.y);
    EXPECT_EQ(offset.left, c.left) << c.x << "," << c.y << " south " << c.southOrigin;
    EXPECT_EQ(offset.top, c.top) << c.x << "," << c.y << " south " << c.southOrigin;
  }
}

TEST(MosaicLayoutTest, SizeAndEdgesAreThoseOfTheWholeRange) {
  MosaicLayout layout = LayoutMosaic(GridTiles(false), 256, 128);
  EXPECT_EQ(layout.Columns(), 4);
  EXPECT_EQ(layout.Rows(), 3);
  EXPECT_EQ(layout.Width(), 1024);
  EXPECT_EQ(layout.Height(), 384);
  EXPECT_EQ(layout.Range.Zoom, 6);
  EXPECT_DOUBLE_EQ(layout.west, FakeTileLongitude(10, 6));
  EXPECT_DOUBLE_EQ(layout.east, FakeTileLongitude(14, 6));
  EXPECT_DOUBLE_EQ(layout.north, FakeTileLatitude(20, 6));
  EXPECT_DOUBLE_EQ(layout.south, FakeTileLatitude(23, 6));
}

TEST(MosaicLayoutTest, BandsHoldEachRowOfTilesWestToEastOnce) {
  std::vector<TileEntry> tiles = GridTiles(false);
  tiles.push_back(tiles[4]);  // listed twice
  MosaicLayout layout = LayoutMosaic(tiles, 256, 256);
  std::vector<std::vector<size_t>> bands = TilesByBand(tiles, layout);
  ASSERT_EQ(bands.size(), 3u);
  for (size_t band = 0; band < bands.size(); ++band) {
    ASSERT_EQ(bands[band].size(), 4u) << band;
    for (size_t column = 0; column < 4; ++column) {
      const TileEntry& tile = tiles[bands[band][column]];
      EXPECT_EQ(tile.Tile.X, 10 + static_cast<int32_t>(column));
      EXPECT_EQ(tile.Tile.Y, 20 + static_cast<int32_t>(band));
    }
  }
}

TEST(MosaicLayoutTest, RefusesAnEmptyListAndMixedZoomLevels) {
  EXPECT_THROW(LayoutMosaic({}, 256, 256), AppError);
  EXPECT_THROW(LayoutMosaic({GridTile(1, 1, 5), GridTile(2, 2, 6)}, 256, 256), AppError);
}

}  // namespace
}  // namespace kartovel::tools
