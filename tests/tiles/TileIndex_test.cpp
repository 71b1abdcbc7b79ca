// Finding the tiles in a view: the index must agree with looking at every tile.
#include "tiles/TileIndex.h"

#include <gtest/gtest.h>

#include "support/FakeTask.h"

namespace kartovel::tools {
namespace {

std::vector<TileEntry> Grid(int32_t minX, int32_t maxX, int32_t minY, int32_t maxY, int32_t zoom) {
  std::vector<TileEntry> tiles;
  for (int32_t x = minX; x <= maxX; ++x) {
    for (int32_t y = minY; y <= maxY; ++y) {
      tiles.push_back(TileEntry{testing::FakeTileName(x, y, zoom),
                                {zoom, x, y},
                                testing::FakeTileLongitude(x, zoom),
                                testing::FakeTileLongitude(x + 1, zoom),
                                testing::FakeTileLatitude(y, zoom),
                                testing::FakeTileLatitude(y + 1, zoom)});
    }
  }
  return tiles;
}

std::vector<size_t> EveryTileIn(const std::vector<TileEntry>& tiles, const MapRect& area) {
  std::vector<size_t> found;
  for (size_t tile = 0; tile < tiles.size(); ++tile) {
    if (TileMapRect(tiles[tile]).Intersects(area)) {
      found.push_back(tile);
    }
  }
  return found;
}

TEST(TileIndexTest, QueriesAgreeWithLookingAtEveryTile) {
  std::vector<TileEntry> tiles = Grid(500, 539, 300, 324, 10);
  TileIndex index(tiles);
  const MapRect extent = index.Extent();
  const double w = extent.east - extent.west;
  const double h = extent.north - extent.south;
  const MapRect areas[] = {
      extent,
      {extent.west + w * 0.31, extent.south + h * 0.42, extent.west + w * 0.37,
       extent.south + h * 0.5},
      {extent.west - w, extent.south - h, extent.west + w * 0.01, extent.south + h * 0.01},
      {extent.east - 1, extent.north - 1, extent.east + w, extent.north + h},
      {extent.east + 1, extent.south, extent.east + w, extent.north},  // beside the tiles
  };
  for (const MapRect& area : areas) {
    EXPECT_EQ(index.Query(area), EveryTileIn(tiles, area)) << area.west << " " << area.south;
  }
  EXPECT_EQ(index.Query(areas[0]).size(), tiles.size());
  EXPECT_TRUE(index.Query(areas[4]).empty());
}

TEST(TileIndexTest, TileAtFindsTheTileUnderAPoint) {
  std::vector<TileEntry> tiles = Grid(500, 519, 300, 309, 10);
  TileIndex index(tiles);
  for (size_t tile : {size_t{0}, size_t{57}, tiles.size() - 1}) {
    MapRect rect = TileMapRect(tiles[tile]);
    MapPoint inside{rect.west + (rect.east - rect.west) * 0.3,
                    rect.south + (rect.north - rect.south) * 0.8};
    EXPECT_EQ(index.TileAt(inside), tile) << tile;
  }
  MapRect extent = index.Extent();
  EXPECT_FALSE(index.TileAt(MapPoint{extent.east + 10, extent.north - 10}));
}

TEST(TileIndexTest, ScatteredTilesKeepTheGridSmall) {
  std::vector<TileEntry> tiles = Grid(0, 0, 0, 0, 12);
  std::vector<TileEntry> far = Grid(4000, 4000, 4000, 4000, 12);
  tiles.push_back(far.front());
  TileIndex index(tiles);
  EXPECT_GT(index.CellWidth(), TileMapRect(tiles[0]).east - TileMapRect(tiles[0]).west);
  EXPECT_EQ(index.Query(index.Extent()).size(), 2u);
  EXPECT_EQ(index.TileAt(MapPoint{TileMapRect(far[0]).west + 1, TileMapRect(far[0]).north - 1}),
            1u);
}

}  // namespace
}  // namespace kartovel::tools
