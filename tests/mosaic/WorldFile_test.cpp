// The mosaic's georeference against the tile list's edges and the Web Mercator grid.
#include "mosaic/WorldFile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <sstream>

#include "geometry/WebMercator.h"
#include "support/FakeTask.h"

namespace kartovel::tools {
namespace {

// The Web Mercator metres of a tile grid edge, from the grid alone: the world is a
// square of 2 pi R a side split into 2^zoom tiles.
double GridEdgeX(int32_t x, int32_t zoom) {
  return (x / std::ldexp(1.0, zoom) * 2 - 1) * std::numbers::pi * kEarthRadiusMetres;
}
double GridEdgeY(int32_t y, int32_t zoom) {
  return (1 - y / std::ldexp(1.0, zoom) * 2) * std::numbers::pi * kEarthRadiusMetres;
}

MosaicLayout LayoutOf(int32_t minX, int32_t maxX, int32_t minY, int32_t maxY, int32_t zoom,
                      int32_t side) {
  MosaicLayout layout;
  layout.Range = TileRange{.Zoom = zoom, .MinX = minX, .MaxX = maxX, .MinY = minY, .MaxY = maxY};
  layout.tileWidth = layout.tileHeight = side;
  layout.west = testing::FakeTileLongitude(minX, zoom);
  layout.east = testing::FakeTileLongitude(maxX + 1, zoom);
  layout.north = testing::FakeTileLatitude(minY, zoom);
  layout.south = testing::FakeTileLatitude(maxY + 1, zoom);
  return layout;
}

TEST(WorldFileTest, NumbersMatchTheTileGridInMetres) {
  struct Case {
    int32_t minX, maxX, minY, maxY, zoom, side;
  };
  const Case cases[] = {
      {6735, 6758, 3086, 3116, 13, 256},  // the default request area
      {0, 1, 0, 1, 1, 256},               // the whole world
      {8190, 8192, 4095, 4096, 13, 256},  // across the equator, one column past 180
      {100, 100, 200, 200, 10, 512},      // one tile of another size
  };
  for (const Case& c : cases) {
    MosaicLayout layout = LayoutOf(c.minX, c.maxX, c.minY, c.maxY, c.zoom, c.side);
    WorldFile world = WorldFileOf(layout);
    double tileMetres = 2 * std::numbers::pi * kEarthRadiusMetres / std::ldexp(1.0, c.zoom);
    double pixelMetres = tileMetres / c.side;
    EXPECT_NEAR(world.pixelWidth, pixelMetres, pixelMetres * 1e-9) << c.minX;
    EXPECT_NEAR(world.pixelHeight, -pixelMetres, pixelMetres * 1e-9) << c.minX;
    EXPECT_EQ(world.rotationX, 0);
    EXPECT_EQ(world.rotationY, 0);
    EXPECT_NEAR(world.upperLeftX, GridEdgeX(c.minX, c.zoom) + pixelMetres / 2, 1e-4) << c.minX;
    EXPECT_NEAR(world.upperLeftY, GridEdgeY(c.minY, c.zoom) - pixelMetres / 2, 1e-4) << c.minX;
    // The far corner comes back to the list's south-east edges.
    double lastPixelX = world.upperLeftX + (layout.Width() - 0.5) * world.pixelWidth;
    double lastPixelY = world.upperLeftY + (layout.Height() - 0.5) * world.pixelHeight;
    EXPECT_NEAR(MercatorXToLongitude(lastPixelX), layout.east, 1e-9) << c.minX;
    EXPECT_NEAR(MercatorYToLatitude(lastPixelY), layout.south, 1e-9) << c.minX;
  }
}

TEST(WorldFileTest, WritesSixLinesThatReadBackExactly) {
  WorldFile world{0.29858214173896974, 0, 0, -0.29858214173896974, 12910369.95, 4920776.1};
  std::istringstream text(FormatWorldFile(world));
  std::string line;
  std::vector<double> numbers;
  while (std::getline(text, line)) {
    ASSERT_FALSE(line.empty());
    ASSERT_EQ(line.back(), '\r');
    numbers.push_back(std::stod(line));
  }
  ASSERT_EQ(numbers.size(), 6u);
  EXPECT_EQ(numbers[0], world.pixelWidth);
  EXPECT_EQ(numbers[3], world.pixelHeight);
  EXPECT_EQ(numbers[4], world.upperLeftX);
  EXPECT_EQ(numbers[5], world.upperLeftY);
}

TEST(WorldFileTest, ProjectionNamesPseudoMercator) {
  std::string wkt = kWebMercatorWkt;
  EXPECT_TRUE(wkt.starts_with("PROJCS[\"WGS 84 / Pseudo-Mercator\""));
  EXPECT_TRUE(wkt.ends_with("AUTHORITY[\"EPSG\",\"3857\"]]"));
}

}  // namespace
}  // namespace kartovel::tools
