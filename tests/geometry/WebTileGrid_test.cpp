// The web tile grid a map window shows: its zoom for a scale, its tiles' places (those
// of the downloader's tiles) and the tiles in a view, nearest the middle first.
#include "geometry/WebTileGrid.h"

#include <gtest/gtest.h>

#include "support/FakeTileGrid.h"

namespace kartovel::tools {
namespace {

double ScaleOfZoom(int32_t zoom) {
  return 2 * WorldHalfSide() / (kGridTilePixels * std::ldexp(1.0, zoom));
}

TEST(WebTileGridTest, TheZoomDrawsTilesNearestTheirOwnSize) {
  struct Case {
    double metresPerPixel;
    int32_t maxZoom;
    int32_t expected;
  };
  const Case cases[] = {{ScaleOfZoom(0), 19, 0},         {ScaleOfZoom(13), 19, 13},
                        {ScaleOfZoom(13) * 1.3, 19, 13}, {ScaleOfZoom(13) * 1.5, 19, 12},
                        {ScaleOfZoom(22), 19, 19},       {ScaleOfZoom(0) * 8, 19, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(GridZoomFor(c.metresPerPixel, c.maxZoom), c.expected) << c.metresPerPixel;
  }
}

TEST(WebTileGridTest, ATilesPlaceIsThatOfTheDownloadersTile) {
  for (const TileId tile : {TileId{13, 6744, 3104}, TileId{1, 1, 0}, TileId{0, 0, 0}}) {
    const MapRect rect = GridTileRect(tile);
    EXPECT_NEAR(rect.west, LongitudeToMercatorX(testing::FakeTileLongitude(tile.X, tile.Zoom)),
                1e-6);
    EXPECT_NEAR(rect.north, LatitudeToMercatorY(testing::FakeTileLatitude(tile.Y, tile.Zoom)),
                1e-6);
    EXPECT_NEAR(rect.south, LatitudeToMercatorY(testing::FakeTileLatitude(tile.Y + 1, tile.Zoom)),
                1e-6);
  }
}

TEST(WebTileGridTest, AViewShowsTheTilesOverItNearestTheMiddleFirst) {
  const MapRect centre = GridTileRect(TileId{13, 6744, 3104});
  const MapPoint middle{(centre.west + centre.east) / 2, (centre.south + centre.north) / 2};
  const MapView inside(middle, ScaleOfZoom(13), 800, 600);
  const std::vector<TileId> tiles = GridTilesInView(inside, 13);
  ASSERT_EQ(tiles.size(), 5u * 3u);  // a centred 256-pixel tile and parts of its neighbours
  EXPECT_EQ(tiles.front().X, 6744);
  EXPECT_EQ(tiles.front().Y, 3104);
  for (const TileId& tile : tiles) {
    EXPECT_TRUE(GridTileRect(tile).Intersects(inside.VisibleArea())) << tile.X << "," << tile.Y;
  }
  const MapView pastTheWest(MapPoint{-WorldHalfSide(), 0}, ScaleOfZoom(2), 800, 600);
  for (const TileId& tile : GridTilesInView(pastTheWest, 2)) {
    EXPECT_TRUE(tile.X == 0 || tile.X == 1) << tile.X;  // 400 pixels east of the edge
  }
  const MapView offTheWorld(MapPoint{3 * WorldHalfSide(), 0}, ScaleOfZoom(2), 800, 600);
  EXPECT_TRUE(GridTilesInView(offTheWorld, 2).empty());
}

}  // namespace
}  // namespace kartovel::tools
