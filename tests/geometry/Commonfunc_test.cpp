// Tile grid conversions: known values, the edge rules at every zoom, and the agreement
// between the two row numberings.
#include "geometry/Commonfunc.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace kartovel {
namespace {

constexpr int32_t kZoom = 13;
constexpr double kNorthLimit = 85.0511287798;

int64_t GridSize(int32_t zoom) {
  return int64_t{1} << zoom;
}

std::string Fixed14(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.14f", value);
  return text;
}

// Whole tile indices spread over the grid, both ends included.
std::vector<int64_t> SampleIndices(int64_t gridSize) {
  std::vector<int64_t> indices;
  const int64_t step = std::max<int64_t>(1, gridSize / 37);
  for (int64_t i = 0; i <= gridSize; i += step) {
    indices.push_back(i);
  }
  for (int64_t i :
       {int64_t{1}, gridSize / 2 - 1, gridSize / 2, gridSize / 2 + 1, gridSize - 1, gridSize}) {
    if (i >= 0 && i <= gridSize) {
      indices.push_back(i);
    }
  }
  return indices;
}

TEST(LongitudeToTileX, KnownColumnsAtZoom13) {
  struct Case {
    double longitude;
    int32_t column;
  };
  for (const Case& c : std::vector<Case>{
           {0, 4096}, {-180, 0}, {180, 8192}, {116.39, 6744}, {116.0, 6735}, {117.0, 6758}}) {
    EXPECT_EQ(LongitudeToTileX(c.longitude, kZoom), c.column) << c.longitude;
  }
}

TEST(LatitudeToTileY, KnownRowsAtZoom13) {
  struct Case {
    double latitude;
    int32_t northRow;
    int32_t southRow;
  };
  for (const Case& c : std::vector<Case>{{0, 4096, 4096},
                                         {39.9, 3104, 5087},
                                         {85, 13, 8178},
                                         {-85, 8178, 13},
                                         {40.5, 3086, 5105},
                                         {39.5, 3116, 5075}}) {
    EXPECT_EQ(LatitudeToTileY(c.latitude, kZoom, false), c.northRow) << c.latitude;
    EXPECT_EQ(LatitudeToTileY(c.latitude, kZoom, true), c.southRow) << c.latitude;
  }
}

TEST(TileXToLongitude, KnownEdgesAtZoom13) {
  EXPECT_EQ(TileXToLongitude(6745, kZoom), 116.4111328125);
  EXPECT_EQ(TileXToLongitude(4096, kZoom), 0.0);
  EXPECT_EQ(TileXToLongitude(6735, kZoom), 115.9716796875);
  EXPECT_EQ(TileXToLongitude(6759, kZoom), 117.0263671875);
  EXPECT_EQ(TileXToLongitude(0, kZoom), -180.0);
  EXPECT_EQ(TileXToLongitude(8192, kZoom), 180.0);
}

TEST(TileYToLatitude, KnownEdgesAtZoom13) {
  struct Case {
    double row;
    double northOrigin;
    double southOrigin;
  };
  for (const Case& c : std::vector<Case>{{0, kNorthLimit, -kNorthLimit},
                                         {3104, 39.9097362345, -39.9097362345},
                                         {4096, 0, 0},
                                         {8192, -kNorthLimit, kNorthLimit}}) {
    EXPECT_NEAR(TileYToLatitude(c.row, kZoom, false), c.northOrigin, 5e-11) << c.row;
    EXPECT_NEAR(TileYToLatitude(c.row, kZoom, true), c.southOrigin, 5e-11) << c.row;
  }
}

// The files of a task print edges with 14 decimals; these are the digits they must show.
TEST(TileYToLatitude, EdgesPrintToTheLastDigitInBothNumberings) {
  struct Case {
    int32_t northEdge;
    const char* printed;
  };
  for (const Case& c : std::vector<Case>{{3086, "40.51379915504415"},
                                         {3104, "39.90973623453718"},
                                         {3105, "39.87601941962115"},
                                         {3117, "39.47012512235816"}}) {
    EXPECT_EQ(Fixed14(TileYToLatitude(c.northEdge, kZoom, false)), c.printed) << c.northEdge;
    EXPECT_EQ(Fixed14(TileYToLatitude(8192 - c.northEdge, kZoom, true)), c.printed) << c.northEdge;
  }
}

TEST(TileConversions, RectangleOfATaskAtZoom13) {
  for (bool south : {false, true}) {
    const int32_t bottomRow = LatitudeToTileY(39.5, kZoom, south);
    const int32_t topRow = LatitudeToTileY(40.5, kZoom, south);
    const int32_t firstRow = std::min(bottomRow, topRow);
    const int32_t lastRow = std::max(bottomRow, topRow);
    EXPECT_EQ(firstRow, south ? 5075 : 3086);
    EXPECT_EQ(lastRow, south ? 5105 : 3116);
    const double north =
        south ? TileYToLatitude(topRow + 1, kZoom, true) : TileYToLatitude(topRow, kZoom, false);
    const double southEdge = south ? TileYToLatitude(bottomRow, kZoom, true)
                                   : TileYToLatitude(bottomRow + 1, kZoom, false);
    EXPECT_EQ(Fixed14(north), "40.51379915504415") << south;
    EXPECT_EQ(Fixed14(southEdge), "39.47012512235816") << south;
  }
}

TEST(LongitudeToTileX, EdgeBelongsToTheColumnEastOfItAtEveryZoom) {
  for (int32_t zoom = 0; zoom <= 30; ++zoom) {
    const int64_t gridSize = GridSize(zoom);
    for (int64_t x : SampleIndices(gridSize)) {
      const double edge = static_cast<double>(x) * 360.0 / static_cast<double>(gridSize) - 180.0;
      ASSERT_EQ(TileXToLongitude(static_cast<double>(x), zoom), edge) << zoom << " " << x;
      ASSERT_EQ(LongitudeToTileX(edge, zoom), x) << zoom << " " << x;
      const double justWest = std::nextafter(edge, -1000.0);
      if (x > 0) {
        ASSERT_EQ(LongitudeToTileX(justWest, zoom), x - 1) << zoom << " " << x;
      }
    }
  }
}

TEST(LatitudeToTileY, EdgeBelongsToTheRowSouthOfItWhenCountedFromNorth) {
  for (int32_t zoom = 0; zoom <= 30; ++zoom) {
    const int64_t gridSize = GridSize(zoom);
    for (int64_t y : SampleIndices(gridSize)) {
      const double edge = TileYToLatitude(static_cast<double>(y), zoom, false);
      ASSERT_EQ(LatitudeToTileY(edge, zoom, false), y) << zoom << " " << y;
      if (y > 0) {
        ASSERT_EQ(LatitudeToTileY(std::nextafter(edge, 90.0), zoom, false), y - 1)
            << zoom << " " << y;
      }
    }
  }
}

TEST(LatitudeToTileY, EdgeBelongsToTheRowNorthOfItWhenCountedFromSouth) {
  for (int32_t zoom = 0; zoom <= 30; ++zoom) {
    const int64_t gridSize = GridSize(zoom);
    for (int64_t y : SampleIndices(gridSize)) {
      const double edge = TileYToLatitude(static_cast<double>(y), zoom, true);
      ASSERT_EQ(LatitudeToTileY(edge, zoom, true), y) << zoom << " " << y;
      if (y > 0) {
        ASSERT_EQ(LatitudeToTileY(std::nextafter(edge, -90.0), zoom, true), y - 1)
            << zoom << " " << y;
      }
    }
  }
}

TEST(LatitudeToTileY, NumberingsMirrorEachOtherInsideARow) {
  for (int32_t zoom : {1, 2, 5, 13, 19, 30}) {
    const int64_t gridSize = GridSize(zoom);
    for (double latitude = -84.987; latitude < 85; latitude += 0.731) {
      const int64_t north = LatitudeToTileY(latitude, zoom, false);
      const int64_t south = LatitudeToTileY(latitude, zoom, true);
      ASSERT_EQ(north + south, gridSize - 1) << zoom << " " << latitude;
    }
  }
}

TEST(TileYToLatitude, LimitsOfTheProjectionAtEveryZoom) {
  for (int32_t zoom = 0; zoom <= 30; ++zoom) {
    const double gridSize = static_cast<double>(GridSize(zoom));
    EXPECT_NEAR(TileYToLatitude(0, zoom, false), kNorthLimit, 5e-11) << zoom;
    EXPECT_NEAR(TileYToLatitude(gridSize, zoom, true), kNorthLimit, 5e-11) << zoom;
    EXPECT_NEAR(TileYToLatitude(gridSize, zoom, false), -kNorthLimit, 5e-11) << zoom;
    EXPECT_NEAR(TileYToLatitude(0, zoom, true), -kNorthLimit, 5e-11) << zoom;
  }
}

TEST(TileConversions, ZoomOneHasTwoColumnsAndTwoRows) {
  struct Case {
    double longitude;
    int32_t column;
  };
  for (const Case& c : std::vector<Case>{
           {-180, 0}, {-90, 0}, {-1e-9, 0}, {0, 1}, {90, 1}, {179.999999, 1}, {180, 2}}) {
    EXPECT_EQ(LongitudeToTileX(c.longitude, 1), c.column) << c.longitude;
  }
  EXPECT_EQ(LatitudeToTileY(39.9, 1, false), 0);
  EXPECT_EQ(LatitudeToTileY(39.9, 1, true), 1);
  EXPECT_EQ(LatitudeToTileY(-39.9, 1, false), 1);
  EXPECT_EQ(TileXToLongitude(1, 1), 0.0);
}

TEST(LatitudeToTileY, PolesSaturateInsteadOfOverflowing) {
  EXPECT_EQ(LatitudeToTileY(90, kZoom, false), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(LatitudeToTileY(-90, kZoom, false), std::numeric_limits<int32_t>::max());
  EXPECT_EQ(LatitudeToTileY(std::nan(""), kZoom, true), 0);
}

}  // namespace
}  // namespace kartovel
