// The covered tiles of shapes against an independent test of every tile of the bounds
// (and a ring of tiles around them) with GEOS's prepared predicates: a tile is covered
// when its square intersects the area and does not merely touch it.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "shape/Geos.h"
#include "shape/ShapeCoverage.h"
#include "shape/ShapeGeometry.h"

namespace kartovel {
namespace {

struct CoverageCase {
  const char* name;
  Shape shape;
  int32_t zoom;
};

GeoRing Box(double left, double bottom, double right, double top) {
  return {{left, bottom}, {right, bottom}, {right, top}, {left, top}};
}

// A track bending along a quarter circle, points 0.02 degrees apart.
GeoLine CurvedTrack() {
  GeoLine track;
  for (int i = 0; i <= 60; ++i) {
    const double angle = i * std::numbers::pi / 120;
    track.push_back({10.5 + 0.6 * std::cos(angle), 47.0 + 0.4 * std::sin(angle)});
  }
  return track;
}

std::vector<CoverageCase> Cases() {
  std::vector<CoverageCase> cases;
  cases.push_back({"triangle", Shape{"t", {{{{2.1, 48.6}, {2.9, 48.7}, {2.4, 49.3}}, {}}}, {}, 0},
                   13});
  cases.push_back({"hole", Shape{"h", {{Box(5.0, 45.0, 6.5, 46.2), {Box(5.4, 45.3, 6.0, 45.8)}}},
                                 {}, 0},
                   12});
  // Two countries' worth of polygons, one of them on exact column edges (zoom 10:
  // 0.3515625 degrees a column), so squares touching the outline are decided too.
  cases.push_back({"multipolygon",
                   Shape{"m",
                         {{Box(4.21875, 47.0, 8.4375, 49.5), {}},
                          {{{9.3, 46.2}, {12.9, 46.6}, {11.5, 48.9}, {10.1, 47.4}}, {}}},
                         {},
                         0},
                   10});
  cases.push_back({"corridor", Shape{"c", {}, {CurvedTrack()}, 1500}, 14});
  cases.push_back({"antimeridian", Shape{"a", {{{{176.2, -19.5}, {180.0, -17.0}, {180.0, -16.4}, {177.0, -15.8}}, {}}}, {}, 0}, 11});
  cases.push_back(
      {"north limit", Shape{"n", {{{{-30, 84.2}, {-20, 85.0511287798066}, {-12, 83.5}}, {}}}, {}, 0},
       9});
  return cases;
}

TEST(ShapeCoverage, HoldsExactlyTheTilesSharingAreaWithTheShape) {
  for (const CoverageCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    const ShapeCoverage coverage(c.shape, c.zoom);
    GeosContext geos;
    GeosGeometry area = AreaOnPlane(geos, c.shape, c.zoom);
    GeosPrepared prepared = geos.Prepare(*area);
    const TileRange& b = coverage.Bounds();
    ASSERT_GT(b.Count(), 100);
    ASSERT_LT(b.Count(), 5000);
    int64_t expected = 0;
    const int32_t last = (1 << c.zoom) - 1;
    for (int32_t x = std::max(0, b.MinX - 1); x <= std::min(last, b.MaxX + 1); ++x) {
      for (int32_t y = std::max(0, b.MinY - 1); y <= std::min(last, b.MaxY + 1); ++y) {
        GeosGeometry square = geos.Rectangle(x, y, x + 1, y + 1);
        const bool covered = GEOSPreparedIntersects_r(geos.Handle(), prepared.get(), square.get()) == 1 &&
                             GEOSPreparedTouches_r(geos.Handle(), prepared.get(), square.get()) == 0;
        expected += covered;
        ASSERT_EQ(coverage.Holds(x, y), covered) << x << "," << y;
      }
    }
    EXPECT_EQ(coverage.CoveredCount(), expected);
    EXPECT_LT(expected, b.Count());
    int64_t walked = 0;
    int64_t lastSerial = 0;
    coverage.ForEachCovered([&](const TileId& tile) {
      const int64_t serial = b.SerialOf(tile.X, tile.Y);
      EXPECT_GT(serial, lastSerial);  // in the walk's order
      lastSerial = serial;
      ++walked;
      return true;
    });
    EXPECT_EQ(walked, expected);
  }
}

TEST(ShapeCoverage, GivenBoundsLeaveOutWhatLiesBeyondThem) {
  const Shape shape{"t", {{{{2.1, 48.6}, {2.9, 48.7}, {2.4, 49.3}}, {}}}, {}, 0};
  const ShapeCoverage whole(shape, 10);
  TileRange half = whole.Bounds();
  half.MaxX = half.MinX + int32_t(half.Columns() / 2);
  const ShapeCoverage part(shape, 10, half);
  int64_t inHalf = 0;
  whole.ForEachCovered([&](const TileId& tile) {
    inHalf += half.Contains(tile);
    EXPECT_EQ(part.Holds(tile.X, tile.Y), half.Contains(tile));
    return true;
  });
  EXPECT_EQ(part.CoveredCount(), inHalf);
  EXPECT_FALSE(part.Holds(half.MaxX + 1, half.MinY));
}

// Ground distance in metres between two points (haversine on the EPSG:3857 sphere).
double GroundMetres(const GeoPoint& a, const GeoPoint& b) {
  const double r = std::numbers::pi / 180;
  const double dLat = (b.Latitude - a.Latitude) * r;
  const double dLon = (b.Longitude - a.Longitude) * r;
  const double h = std::pow(std::sin(dLat / 2), 2) +
                   std::cos(a.Latitude * r) * std::cos(b.Latitude * r) * std::pow(std::sin(dLon / 2), 2);
  return 2 * 6378137.0 * std::asin(std::sqrt(h));
}

TEST(ShapeCoverage, CorridorWidthHoldsOnTheGroundAtEveryLatitude) {
  for (const double latitude : {0.0, 45.0, 70.0}) {
    SCOPED_TRACE(latitude);
    // A track running north over three degrees, so the map's scale changes along it.
    const Shape shape{"c", {}, {{{20.0, latitude}, {20.0, latitude + 3}}}, 2000};
    GeosContext geos;
    GeosGeometry area = AreaOnPlane(geos, shape, 12);
    GeosPrepared prepared = geos.Prepare(*area);
    for (const double along : {0.3, 1.5, 2.7}) {
      const GeoPoint onTrack{20.0, latitude + along};
      for (const double factor : {0.98, 1.02}) {
        // Step east until the ground distance is factor x the width.
        double east = 0;
        for (double step = 0.1; step > 1e-9; step /= 2) {
          while (GroundMetres(onTrack, {20.0 + east + step, onTrack.Latitude}) < 2000 * factor) {
            east += step;
          }
        }
        const PlanePoint p = ToTilePlane({20.0 + east, onTrack.Latitude}, 12);
        GeosGeometry point = geos.Own(GEOSGeom_createPointFromXY_r(geos.Handle(), p.X, p.Y));
        EXPECT_EQ(GEOSPreparedContains_r(geos.Handle(), prepared.get(), point.get()) == 1,
                  factor < 1)
            << along << " " << factor;
      }
    }
  }
}

}  // namespace
}  // namespace kartovel
