// The viewer's placement: tiles on screen for a view, and the view's moves.
#include "geometry/MapView.h"

#include <gtest/gtest.h>

#include "support/FakeTileGrid.h"

namespace kartovel::tools {
namespace {

TileEdges Tile(int32_t x, int32_t y, int32_t zoom) {
  return TileEdges{testing::FakeTileLongitude(x, zoom), testing::FakeTileLongitude(x + 1, zoom),
                   testing::FakeTileLatitude(y, zoom), testing::FakeTileLatitude(y + 1, zoom)};
}

MapPoint CentreOf(const TileEdges& tile) {
  MapRect rect = TileMapRect(tile);
  return MapPoint{(rect.west + rect.east) / 2, (rect.south + rect.north) / 2};
}

double MetresPerTilePixel(const TileEdges& tile) {
  MapRect rect = TileMapRect(tile);
  return (rect.east - rect.west) / 256;
}

void ExpectRect(const ScreenRect& actual, const ScreenRect& expected, const std::string& what) {
  EXPECT_NEAR(actual.left, expected.left, 1e-6) << what;
  EXPECT_NEAR(actual.top, expected.top, 1e-6) << what;
  EXPECT_NEAR(actual.right, expected.right, 1e-6) << what;
  EXPECT_NEAR(actual.bottom, expected.bottom, 1e-6) << what;
}

TEST(MapViewTest, TilesLandWhereTheViewPutsThem) {
  const TileEdges centre = Tile(6744, 3104, 13);
  const double scale = MetresPerTilePixel(centre);  // one image pixel per screen pixel
  struct Case {
    const char* what;
    TileEdges tile;
    double zoomFactor;
    ScreenRect expected;
  };
  const Case cases[] = {
      {"centre tile", centre, 1, {272, 172, 528, 428}},
      {"east neighbour", Tile(6745, 3104, 13), 1, {528, 172, 784, 428}},
      {"south neighbour", Tile(6744, 3105, 13), 1, {272, 428, 528, 684}},
      {"north-west neighbour", Tile(6743, 3103, 13), 1, {16, -84, 272, 172}},
      {"centre tile at half size", centre, 0.5, {336, 236, 464, 364}},
      {"east neighbour at double size", Tile(6745, 3104, 13), 2, {656, 44, 1168, 556}},
  };
  for (const Case& c : cases) {
    MapView view(CentreOf(centre), scale / c.zoomFactor, 800, 600);
    ExpectRect(view.TileRect(c.tile), c.expected, c.what);
  }
}

TEST(MapViewTest, ScreenAndMapConvertBothWaysAndGiveTheTileEdges) {
  const TileEdges tile = Tile(6744, 3104, 13);
  MapView view(CentreOf(tile), MetresPerTilePixel(tile), 800, 600);
  LonLat northWest = view.LonLatAt(ScreenPoint{272, 172});
  EXPECT_NEAR(northWest.longitude, tile.west, 1e-9);
  EXPECT_NEAR(northWest.latitude, tile.north, 1e-9);
  LonLat southEast = view.LonLatAt(ScreenPoint{528, 428});
  EXPECT_NEAR(southEast.longitude, tile.east, 1e-9);
  EXPECT_NEAR(southEast.latitude, tile.south, 1e-9);
  ScreenPoint back = view.ToScreen(view.ToMap(ScreenPoint{13, 517}));
  EXPECT_NEAR(back.x, 13, 1e-6);
  EXPECT_NEAR(back.y, 517, 1e-6);
}

TEST(MapViewTest, PanMovesTilesWithTheMouse) {
  const TileEdges tile = Tile(100, 200, 10);
  MapView view(CentreOf(tile), MetresPerTilePixel(tile), 800, 600);
  view.PanBy(30, -45);
  ExpectRect(view.TileRect(tile), ScreenRect{302, 127, 558, 383}, "after pan");
}

TEST(MapViewTest, ZoomKeepsThePointUnderTheAnchorInPlace) {
  const TileEdges tile = Tile(100, 200, 10);
  MapView view(CentreOf(tile), MetresPerTilePixel(tile), 800, 600);
  ScreenPoint anchor{150, 480};
  MapPoint before = view.ToMap(anchor);
  view.ZoomAt(anchor, 1.7);
  MapPoint after = view.ToMap(anchor);
  EXPECT_NEAR(after.x, before.x, 1e-6);
  EXPECT_NEAR(after.y, before.y, 1e-6);
  EXPECT_NEAR(view.TileRect(tile).Width(), 256 * 1.7, 1e-6);
}

TEST(MapViewTest, ZoomStopsAtTheScaleLimits) {
  MapView view(MapPoint{0, 0}, 1, 800, 600);
  view.ZoomAt(ScreenPoint{400, 300}, 1e9);
  EXPECT_EQ(view.MetresPerPixel(), MapView::kMinMetresPerPixel);
  view.ZoomAt(ScreenPoint{400, 300}, 1e-12);
  EXPECT_EQ(view.MetresPerPixel(), MapView::kMaxMetresPerPixel);
}

TEST(MapViewTest, FitShowsTheWholeAreaCentred) {
  MapRect area{1000, 2000, 5000, 3000};  // 4000 x 1000 metres
  MapView view(MapPoint{0, 0}, 1, 416, 316);
  view.FitTo(area);
  EXPECT_DOUBLE_EQ(view.MetresPerPixel(), 10);  // width decides: 4000 m over 400 pixels
  ScreenPoint northWest = view.ToScreen(MapPoint{area.west, area.north});
  ScreenPoint southEast = view.ToScreen(MapPoint{area.east, area.south});
  EXPECT_NEAR(northWest.x, 8, 1e-9);
  EXPECT_NEAR(southEast.x, 408, 1e-9);
  EXPECT_NEAR(northWest.y, 108, 1e-9);
  EXPECT_NEAR(southEast.y, 208, 1e-9);
}

}  // namespace
}  // namespace kartovel::tools
