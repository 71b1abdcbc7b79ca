// An area shaped like the user's trip: polygons (with holes) and lines that a corridor of
// a width in metres on each side turns into an area. Coordinates are longitude and
// latitude in degrees; an edge is straight on the map (the Web-Mercator plane), as drawn.
#pragma once

#include <string>
#include <vector>

#include "geometry/GeoBounds.h"

namespace kartovel {

struct GeoPoint {
  double Longitude = 0;
  double Latitude = 0;
  bool operator==(const GeoPoint&) const = default;
};

using GeoRing = std::vector<GeoPoint>;  // closed: the first point is not repeated at the end
using GeoLine = std::vector<GeoPoint>;

struct GeoPolygon {
  GeoRing Outer;
  std::vector<GeoRing> Holes;
  bool operator==(const GeoPolygon&) const = default;
};

struct Shape {
  std::string Name;
  std::vector<GeoPolygon> Polygons;
  std::vector<GeoLine> Lines;
  // The corridor's width on each side of every line, in metres on the ground; 0 = none.
  double CorridorMetres = 0;
  bool operator==(const Shape&) const = default;

  bool Empty() const { return Polygons.empty() && Lines.empty(); }
};

// The widest corridor a shape may ask for, on each side of its lines.
inline constexpr double kMaxCorridorMetres = 100000;

}  // namespace kartovel
