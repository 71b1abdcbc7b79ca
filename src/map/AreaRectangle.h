// The rectangle a user draws on a map: made from two corners or by moving its edges,
// always inside the ranges the coordinate boxes accept (longitudes -180 to 180, latitudes
// -85 to 85) and always in order (west <= east, south <= north). The map is not wrapped:
// a drag past the antimeridian stops at it.
#pragma once

#include <cstdint>

#include "shape/Shape.h"  // GeoPoint

namespace kartovel {

inline constexpr double kAreaLongitudeLimit = 180;
inline constexpr double kAreaLatitudeLimit = 85;

struct GeoArea {
  double West = 0;
  double East = 0;
  double North = 0;
  double South = 0;

  bool operator==(const GeoArea&) const = default;
};

// The area with the two corners, each brought inside the limits first.
GeoArea AreaFromCorners(GeoPoint first, GeoPoint second);

// The edges of an area, as bits, for the edges a drag moves (a corner moves two).
enum AreaEdge : uint32_t {
  kNoEdge = 0,
  kWestEdge = 1,
  kEastEdge = 2,
  kNorthEdge = 4,
  kSouthEdge = 8
};

// The area with the chosen edges moved to the point: a longitude for west and east, a
// latitude for north and south, inside the limits and never past the opposite edge.
GeoArea MoveEdges(const GeoArea& area, uint32_t edges, GeoPoint to);

// Where an area lies on screen, in pixels (top < bottom).
struct ScreenBox {
  double Left = 0;
  double Top = 0;
  double Right = 0;
  double Bottom = 0;
};

// The edges within reach of a pointer at (x, y): an edge is in reach within the tolerance
// across it and along its length; near a corner both of its edges are.
uint32_t EdgesNear(const ScreenBox& box, double x, double y, double tolerance);

}  // namespace kartovel
