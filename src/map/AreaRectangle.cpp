// Building and editing the drawn rectangle inside the accepted ranges.
#include "map/AreaRectangle.h"

#include <algorithm>
#include <cmath>

namespace kartovel {
namespace {

GeoPoint Limited(GeoPoint point) {
  // A point off the map (not a number) goes to its middle rather than poisoning the area.
  const double longitude = std::isnan(point.Longitude) ? 0 : point.Longitude;
  const double latitude = std::isnan(point.Latitude) ? 0 : point.Latitude;
  return GeoPoint{std::clamp(longitude, -kAreaLongitudeLimit, kAreaLongitudeLimit),
                  std::clamp(latitude, -kAreaLatitudeLimit, kAreaLatitudeLimit)};
}

bool Within(double value, double from, double to, double tolerance) {
  return value >= from - tolerance && value <= to + tolerance;
}

}  // namespace

GeoArea AreaFromCorners(GeoPoint first, GeoPoint second) {
  const GeoPoint a = Limited(first);
  const GeoPoint b = Limited(second);
  return GeoArea{std::min(a.Longitude, b.Longitude), std::max(a.Longitude, b.Longitude),
                 std::max(a.Latitude, b.Latitude), std::min(a.Latitude, b.Latitude)};
}

GeoArea MoveEdges(const GeoArea& area, uint32_t edges, GeoPoint to) {
  const GeoPoint point = Limited(to);
  GeoArea moved = area;
  if (edges & kWestEdge) {
    moved.West = std::min(point.Longitude, area.East);
  }
  if (edges & kEastEdge) {
    moved.East = std::max(point.Longitude, area.West);
  }
  if (edges & kNorthEdge) {
    moved.North = std::max(point.Latitude, area.South);
  }
  if (edges & kSouthEdge) {
    moved.South = std::min(point.Latitude, area.North);
  }
  return moved;
}

uint32_t EdgesNear(const ScreenBox& box, double x, double y, double tolerance) {
  const bool alongHorizontal = Within(x, box.Left, box.Right, tolerance);
  const bool alongVertical = Within(y, box.Top, box.Bottom, tolerance);
  uint32_t edges = kNoEdge;
  // On a box narrower than two tolerances, the nearer edge wins.
  if (alongVertical && std::abs(x - box.Left) <= tolerance &&
      std::abs(x - box.Left) <= std::abs(x - box.Right)) {
    edges |= kWestEdge;
  } else if (alongVertical && std::abs(x - box.Right) <= tolerance) {
    edges |= kEastEdge;
  }
  if (alongHorizontal && std::abs(y - box.Top) <= tolerance &&
      std::abs(y - box.Top) <= std::abs(y - box.Bottom)) {
    edges |= kNorthEdge;
  } else if (alongHorizontal && std::abs(y - box.Bottom) <= tolerance) {
    edges |= kSouthEdge;
  }
  return edges;
}

}  // namespace kartovel
