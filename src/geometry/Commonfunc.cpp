// Conversions between longitude/latitude and the tiles of the spherical Mercator grid.
// Edges are decided so that the forward and reverse conversions always agree.
#include "geometry/Commonfunc.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "geometry/WebMercator.h"

namespace kartovel {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr int32_t kMaxInt32 = std::numeric_limits<int32_t>::max();

// A computed row position closer than this many tiles (times the grid size) to a whole
// number is settled by comparing the latitude with that edge's own latitude. The rounding
// error of the position is some thousand times smaller.
constexpr long double kEdgeTolerancePerTile = 1e-12L;

// The grid size 2^zoom; ldexp keeps zoom values outside 0..30 free of undefined shifts.
long double GridSize(int32_t zoom) {
  return std::ldexp(1.0L, zoom);
}

// West edge of column x; exact for whole columns up to zoom 30.
long double ColumnEdge(long double x, long double gridSize) {
  return x * 360.0L / gridSize - 180.0L;
}

// Truncation toward zero that saturates instead of overflowing for positions far outside
// the grid (latitudes at the poles, absurd zoom values).
int32_t TruncateToInt32(long double position) {
  if (std::isnan(position)) {
    return 0;
  }
  constexpr long double kMax = std::numeric_limits<int32_t>::max();
  constexpr long double kMin = std::numeric_limits<int32_t>::min();
  if (position >= kMax) {
    return std::numeric_limits<int32_t>::max();
  }
  if (position <= kMin) {
    return std::numeric_limits<int32_t>::min();
  }
  return static_cast<int32_t>(position);
}

// Latitude of edge y counted from the north limit: the edge's Mercator ordinate runs from
// pi at the north limit to -pi at the south one. Formed in double so that the edge values
// agree to the last printed digit with the files the program writes.
double NorthEdgeLatitude(double y, long double gridSize) {
  return tools::OrdinateLatitude(kPi - 2 * kPi * y / static_cast<double>(gridSize));
}

// Fractional row position of a latitude in the north-origin numbering (the Mercator
// ordinate scaled to the grid).
long double NorthRowPosition(double latitude, long double gridSize) {
  const double ordinate = tools::MercatorOrdinate(latitude);
  return (1.0L - ordinate / static_cast<long double>(kPi)) * 0.5L * gridSize;
}

// The nearest whole edge when the position lies within the tolerance of it.
std::optional<int64_t> NearbyEdge(long double position, long double gridSize) {
  if (!std::isfinite(position)) {
    return std::nullopt;
  }
  const long double edge = std::round(position);
  if (edge < 0 || std::fabs(position - edge) > kEdgeTolerancePerTile * gridSize) {
    return std::nullopt;
  }
  return static_cast<int64_t>(edge);
}

// Row of a latitude on or next to an edge, decided by the edge's own latitude: a
// latitude on an edge belongs to the row south of it (north origin) or north of it
// (south origin). Beyond the outer edges the row stays 0, as truncation toward zero gives.
int32_t RowAtEdge(double latitude, int64_t edge, long double gridSize, bool southOrigin) {
  const double edgeLatitude = NorthEdgeLatitude(static_cast<double>(edge), gridSize);
  long double row;
  if (southOrigin) {
    const int64_t northRow = latitude < edgeLatitude ? edge : edge - 1;
    row = gridSize - 1 - static_cast<long double>(northRow);
  } else {
    row = static_cast<long double>(latitude <= edgeLatitude ? edge : edge - 1);
  }
  return TruncateToInt32(std::max(row, 0.0L));
}

}  // namespace

int32_t LongitudeToTileX(double longitude, int32_t zoom) {
  // Dividing by 360 last keeps an edge longitude (a multiple of 360/N less 180) exact,
  // so it lands in the column east of the edge instead of a hair short of it.
  const long double gridSize = GridSize(zoom);
  const int32_t column = TruncateToInt32((longitude + 180.0L) * gridSize / 360.0L);
  // The sum rounds for longitudes within 1/16 degree of 0; the exact edges settle those.
  if (column >= 1 && column < kMaxInt32 && longitude < ColumnEdge(column, gridSize)) {
    return column - 1;
  }
  if (column >= 0 && column < kMaxInt32 && longitude >= ColumnEdge(column + 1.0L, gridSize)) {
    return column + 1;
  }
  return column;
}

int32_t LatitudeToTileY(double latitude, int32_t zoom, bool SouthOrigin) {
  const long double gridSize = GridSize(zoom);
  const long double position = NorthRowPosition(latitude, gridSize);
  if (const std::optional<int64_t> edge = NearbyEdge(position, gridSize)) {
    return RowAtEdge(latitude, *edge, gridSize, SouthOrigin);
  }
  return TruncateToInt32(SouthOrigin ? gridSize - position : position);
}

double TileXToLongitude(double x, int32_t zoom) {
  return static_cast<double>(ColumnEdge(x, GridSize(zoom)));
}

double TileYToLatitude(double y, int32_t zoom, bool SouthOrigin) {
  const long double gridSize = GridSize(zoom);
  // Edge y from the south is edge N - y from the north; one formula for both numberings
  // makes the two give the very same edge latitudes.
  const double northEdge = SouthOrigin ? static_cast<double>(gridSize - y) : y;
  return NorthEdgeLatitude(northEdge, gridSize);
}

}  // namespace kartovel
