// The drawn rectangle: built from corners and edited by its edges inside the ranges the
// boxes accept, and which edges a pointer reaches.
#include "map/AreaRectangle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace kartovel {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(AreaRectangleTest, CornersMakeAnOrderedAreaInsideTheRanges) {
  struct Case {
    const char* what;
    GeoPoint first, second;
    GeoArea expected;
  };
  const Case cases[] = {
      {"north-west to south-east", {116.1, 40.2}, {116.5, 39.8}, {116.1, 116.5, 40.2, 39.8}},
      {"south-east to north-west", {116.5, 39.8}, {116.1, 40.2}, {116.1, 116.5, 40.2, 39.8}},
      {"above 85.05 degrees", {10, 88.5}, {20, 80}, {10, 20, 85, 80}},
      {"below -85.05 degrees", {10, -89}, {20, -80}, {10, 20, -80, -85}},
      {"east across the antimeridian", {170, 10}, {190, 0}, {170, 180, 10, 0}},
      {"west across the antimeridian", {-170, 10}, {-215, 0}, {-180, -170, 10, 0}},
      {"wholly off the map", {200, 89}, {260, 87}, {180, 180, 85, 85}},
      {"a point off the projection", {kNaN, kNaN}, {5, 5}, {0, 5, 5, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(AreaFromCorners(c.first, c.second), c.expected) << c.what;
  }
}

TEST(AreaRectangleTest, MovedEdgesStayInsideTheRangesAndNeverPassTheOppositeEdge) {
  const GeoArea area{10, 20, 50, 40};
  struct Case {
    const char* what;
    uint32_t edges;
    GeoPoint to;
    GeoArea expected;
  };
  const Case cases[] = {
      {"west edge", kWestEdge, {12, 0}, {12, 20, 50, 40}},
      {"east edge across the antimeridian", kEastEdge, {185, 0}, {10, 180, 50, 40}},
      {"north edge above 85.05", kNorthEdge, {0, 86}, {10, 20, 85, 40}},
      {"south edge", kSouthEdge, {0, 30}, {10, 20, 50, 30}},
      {"west edge past the east edge", kWestEdge, {25, 0}, {20, 20, 50, 40}},
      {"south edge past the north edge", kSouthEdge, {0, 60}, {10, 20, 50, 50}},
      {"north-east corner", kEastEdge | kNorthEdge, {22, 55}, {10, 22, 55, 40}},
      {"no edge", kNoEdge, {0, 0}, area},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MoveEdges(area, c.edges, c.to), c.expected) << c.what;
  }
}

TEST(AreaRectangleTest, APointerReachesTheEdgesNearIt) {
  const ScreenBox box{100, 50, 300, 250};
  const ScreenBox narrow{100, 50, 104, 250};
  struct Case {
    const char* what;
    ScreenBox box;
    double x, y;
    uint32_t expected;
  };
  const Case cases[] = {
      {"on the west edge", box, 103, 150, kWestEdge},
      {"just outside the east edge", box, 305, 150, kEastEdge},
      {"on the north edge", box, 200, 48, kNorthEdge},
      {"on the south edge", box, 200, 254, kSouthEdge},
      {"at the south-west corner", box, 98, 252, kWestEdge | kSouthEdge},
      {"inside, away from the edges", box, 200, 150, kNoEdge},
      {"beside the box, in line with its north edge", box, 360, 50, kNoEdge},
      {"nearer the east edge of a narrow box", narrow, 104, 150, kEastEdge},
      {"nearer the west edge of a narrow box", narrow, 101, 150, kWestEdge},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(EdgesNear(c.box, c.x, c.y, 6), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace kartovel
