// Building a shape's area on the tile plane: rings straight on the map, and corridors
// buffered with the map's scale at their own latitude so their width holds on the ground.
#include "shape/ShapeGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "geometry/WebMercator.h"

namespace kartovel {

namespace {

// A corridor is buffered in pieces this far apart in latitude at most: the map's scale
// changes by less than 0.4 % across a piece even at the 85th parallel.
constexpr double kPieceLatitudeSpan = 0.02;
constexpr int kQuadrantSegments = 8;
constexpr double kLimitLatitude = 85.0511287798066;

double GridSize(int32_t zoom) { return std::ldexp(1.0, zoom); }

GeosGeometry RingOnPlane(const GeosContext& geos, const GeoRing& ring, int32_t zoom) {
  std::vector<double> xy;
  xy.reserve(2 * ring.size() + 2);
  for (const GeoPoint& point : ring) {
    const PlanePoint p = ToTilePlane(point, zoom);
    xy.push_back(p.X);
    xy.push_back(p.Y);
  }
  xy.push_back(xy[0]);
  xy.push_back(xy[1]);
  GEOSCoordSequence* sequence =
      GEOSCoordSeq_copyFromBuffer_r(geos.Handle(), xy.data(), xy.size() / 2, 0, 0);
  return geos.Own(GEOSGeom_createLinearRing_r(geos.Handle(), sequence));
}

GeosGeometry PolygonOnPlane(const GeosContext& geos, const GeoPolygon& polygon, int32_t zoom) {
  GeosGeometry shell = RingOnPlane(geos, polygon.Outer, zoom);
  std::vector<GeosGeometry> holes;
  for (const GeoRing& hole : polygon.Holes) holes.push_back(RingOnPlane(geos, hole, zoom));
  std::vector<GEOSGeometry*> raw;
  for (GeosGeometry& hole : holes) raw.push_back(hole.get());
  GEOSGeometry* made = GEOSGeom_createPolygon_r(geos.Handle(), shell.get(), raw.data(),
                                                unsigned(raw.size()));
  if (made != nullptr) {
    static_cast<void>(shell.release());
    for (GeosGeometry& hole : holes) static_cast<void>(hole.release());
  }
  return geos.Own(made);
}

GeosGeometry LinePiece(const GeosContext& geos, const std::vector<PlanePoint>& points) {
  std::vector<double> xy;
  for (const PlanePoint& p : points) {
    xy.push_back(p.X);
    xy.push_back(p.Y);
  }
  if (points.size() == 1) {  // a line of one point is a circle around it
    GEOSGeometry* point = GEOSGeom_createPointFromXY_r(geos.Handle(), xy[0], xy[1]);
    return geos.Own(point);
  }
  GEOSCoordSequence* sequence =
      GEOSCoordSeq_copyFromBuffer_r(geos.Handle(), xy.data(), points.size(), 0, 0);
  return geos.Own(GEOSGeom_createLineString_r(geos.Handle(), sequence));
}

// Plane units per metre on the ground at a latitude: the Mercator scale 1 / cos(latitude).
double UnitsPerMetre(double latitude, int32_t zoom) {
  const double cosine = std::cos(latitude * std::numbers::pi / 180);
  return GridSize(zoom) / (2 * std::numbers::pi * tools::kEarthRadiusMetres * cosine);
}

void BufferPiece(const GeosContext& geos, const std::vector<PlanePoint>& piece, double loLat,
                 double hiLat, double metres, int32_t zoom, std::vector<GeosGeometry>& out) {
  const double middle = std::clamp((loLat + hiLat) / 2, -kLimitLatitude, kLimitLatitude);
  GeosGeometry line = LinePiece(geos, piece);
  out.push_back(geos.Own(GEOSBuffer_r(geos.Handle(), line.get(),
                                      metres * UnitsPerMetre(middle, zoom), kQuadrantSegments)));
}

// Splits a line where it has run kPieceLatitudeSpan in latitude, with a point on the
// straight map edge at each cut, and buffers each piece with its own scale.
void BufferLine(const GeosContext& geos, const GeoLine& line, double metres, int32_t zoom,
                std::vector<GeosGeometry>& out) {
  std::vector<PlanePoint> piece{ToTilePlane(line[0], zoom)};
  double loLat = line[0].Latitude;
  double hiLat = loLat;
  for (size_t i = 1; i < line.size(); ++i) {
    const PlanePoint from = ToTilePlane(line[i - 1], zoom);
    const PlanePoint to = ToTilePlane(line[i], zoom);
    const double span = std::abs(line[i].Latitude - line[i - 1].Latitude);
    const int steps = std::max(1, int(std::ceil(span / kPieceLatitudeSpan)));
    for (int s = 1; s <= steps; ++s) {
      const double t = double(s) / steps;
      const PlanePoint p{from.X + (to.X - from.X) * t, from.Y + (to.Y - from.Y) * t};
      const double latitude = FromTilePlane(p, zoom).Latitude;
      piece.push_back(p);
      loLat = std::min(loLat, latitude);
      hiLat = std::max(hiLat, latitude);
      if (hiLat - loLat >= kPieceLatitudeSpan) {
        BufferPiece(geos, piece, loLat, hiLat, metres, zoom, out);
        piece = {p};
        loLat = hiLat = latitude;
      }
    }
  }
  if (piece.size() > 1 || out.empty()) BufferPiece(geos, piece, loLat, hiLat, metres, zoom, out);
}

}  // namespace

PlanePoint ToTilePlane(const GeoPoint& point, int32_t zoom) {
  const double n = GridSize(zoom);
  const double latitude = std::clamp(point.Latitude, -kLimitLatitude, kLimitLatitude);
  return PlanePoint{(point.Longitude + 180) / 360 * n,
                    (1 - tools::MercatorOrdinate(latitude) / std::numbers::pi) / 2 * n};
}

GeoPoint FromTilePlane(const PlanePoint& point, int32_t zoom) {
  const double n = GridSize(zoom);
  return GeoPoint{point.X / n * 360 - 180,
                  tools::OrdinateLatitude(std::numbers::pi * (1 - 2 * point.Y / n))};
}

GeosGeometry PolygonsOnPlane(const GeosContext& geos, const Shape& shape, int32_t zoom) {
  std::vector<GeosGeometry> parts;
  for (const GeoPolygon& polygon : shape.Polygons) {
    parts.push_back(PolygonOnPlane(geos, polygon, zoom));
  }
  return geos.Collect(GEOS_MULTIPOLYGON, std::move(parts));
}

GeosGeometry AreaOnPlane(const GeosContext& geos, const Shape& shape, int32_t zoom) {
  std::vector<GeosGeometry> parts;
  for (const GeoPolygon& polygon : shape.Polygons) {
    parts.push_back(PolygonOnPlane(geos, polygon, zoom));
  }
  if (shape.CorridorMetres > 0) {
    for (const GeoLine& line : shape.Lines) {
      if (!line.empty()) BufferLine(geos, line, shape.CorridorMetres, zoom, parts);
    }
  }
  if (parts.size() == 1 && shape.Lines.empty()) return std::move(parts[0]);
  GeosGeometry collection = geos.Collect(GEOS_GEOMETRYCOLLECTION, std::move(parts));
  return geos.Own(GEOSUnaryUnion_r(geos.Handle(), collection.get()));
}

GeoBounds BoundsOf(const Shape& shape) {
  GeosContext geos;
  GeosGeometry area = AreaOnPlane(geos, shape, 0);
  double xMin = 0, yMin = 0, xMax = 0, yMax = 0;
  GEOSGeom_getExtent_r(geos.Handle(), area.get(), &xMin, &yMin, &xMax, &yMax);
  const GeoPoint northWest = FromTilePlane({xMin, yMin}, 0);
  const GeoPoint southEast = FromTilePlane({xMax, yMax}, 0);
  return GeoBounds{.West = std::max(-180.0, northWest.Longitude),
                   .South = southEast.Latitude,
                   .East = std::min(180.0, southEast.Longitude),
                   .North = northWest.Latitude};
}

}  // namespace kartovel
