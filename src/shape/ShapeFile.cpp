// The shape file's checks in order: size, format, geometry, coordinates, corridor width,
// validity.
#include "shape/ShapeFile.h"

#include <cmath>
#include <filesystem>
#include <iomanip>
#include <sstream>

#include "common/FileSystem.h"
#include "shape/Geos.h"
#include "shape/ShapeGeometry.h"
#include "shape/ShapeReaders.h"
#include "shape/XmlEvents.h"

namespace kartovel {

namespace {

constexpr double kLimitLatitude = 85.0511287798066;

std::string Decimal(double value) {
  std::ostringstream text;
  text << std::fixed << std::setprecision(6) << value;
  return text.str();
}

Shape ParseByContent(const std::string& text) {
  size_t at = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
  while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
  if (at < text.size() && text[at] == '{') return ReadGeoJson(text);
  if (at < text.size() && text[at] == '<') {
    std::string root;
    const XmlResult found = FindRootElement(text, root);
    if (found.Outcome == XmlOutcome::DeclaresEntities) {
      throw ShapeFormatError("declares XML entities, which are refused");
    }
    if (root == "kml") return ReadKml(text);
    if (root == "gpx") return ReadGpx(text);
  }
  throw ShapeFormatError("is not a GeoJSON, KML or GPX file");
}

// Rings of fewer than three points and empty lines hold no area and no track.
void DropDegenerate(Shape& shape) {
  std::vector<GeoPolygon> polygons;
  for (GeoPolygon& polygon : shape.Polygons) {
    if (polygon.Outer.size() < 3) continue;
    std::erase_if(polygon.Holes, [](const GeoRing& hole) { return hole.size() < 3; });
    polygons.push_back(std::move(polygon));
  }
  shape.Polygons = std::move(polygons);
  std::erase_if(shape.Lines, [](const GeoLine& line) { return line.empty(); });
}

template <typename Visit>
void ForEachPoint(Shape& shape, const Visit& visit) {
  for (GeoPolygon& polygon : shape.Polygons) {
    for (GeoPoint& point : polygon.Outer) visit(point);
    for (GeoRing& hole : polygon.Holes) {
      for (GeoPoint& point : hole) visit(point);
    }
  }
  for (GeoLine& line : shape.Lines) {
    for (GeoPoint& point : line) visit(point);
  }
}

// Refuses points off the globe; clips latitudes beyond the map's edge to it.
void CheckCoordinates(Shape& shape, const std::string& fileName,
                      std::vector<std::string>& notes) {
  bool clipped = false;
  ForEachPoint(shape, [&](GeoPoint& point) {
    if (!(std::abs(point.Longitude) <= 180) || !(std::abs(point.Latitude) <= 90)) {
      throw AppError(fileName + " has a point outside longitude -180..180 or latitude -90..90 (" +
                     Decimal(point.Longitude) + ", " + Decimal(point.Latitude) + ").");
    }
    if (std::abs(point.Latitude) > kLimitLatitude) {
      point.Latitude = std::copysign(kLimitLatitude, point.Latitude);
      clipped = true;
    }
  });
  if (clipped) {
    notes.push_back("Points of " + fileName +
                    " beyond latitude 85.0511 north or south lie off the map and were moved "
                    "to its edge.");
  }
}

// Consecutive points more than half the world apart, neither on the map's edge meridian:
// the file means the short way across longitude 180 (the way a ring is written when it
// is not split there), which on the map is the long way round.
bool JumpsAcross180(const GeoPoint& from, const GeoPoint& to) {
  return std::abs(to.Longitude - from.Longitude) > 180 && std::abs(from.Longitude) != 180 &&
         std::abs(to.Longitude) != 180;
}

// A task's area is one stretch of columns from west to east, so a shape that crosses
// longitude 180 cannot be one task: it is refused with the way to give it.
void RefuseCrossing180(const Shape& shape, const std::string& fileName) {
  const auto refuseJump = [&](const std::vector<GeoPoint>& points, bool closed) {
    for (size_t i = 0; i < points.size(); ++i) {
      if (i + 1 == points.size() && !closed) break;
      const GeoPoint& from = points[i];
      const GeoPoint& to = points[(i + 1) % points.size()];
      if (JumpsAcross180(from, to)) {
        throw AppError(fileName + " crosses longitude 180 (from " + Decimal(from.Longitude) +
                       " to " + Decimal(to.Longitude) +
                       "); an area must lie on one side of it: give the parts east and west of "
                       "longitude 180 as two shape files and download them as two tasks.");
      }
    }
  };
  for (const GeoPolygon& polygon : shape.Polygons) {
    refuseJump(polygon.Outer, true);
    for (const GeoRing& hole : polygon.Holes) refuseJump(hole, true);
  }
  for (const GeoLine& line : shape.Lines) refuseJump(line, false);
}

std::string PointText(const GeosContext& geos, const GEOSGeometry* location) {
  double x = 0, y = 0;
  if (location == nullptr || GEOSGeomGetX_r(geos.Handle(), location, &x) != 1 ||
      GEOSGeomGetY_r(geos.Handle(), location, &y) != 1) {
    return {};
  }
  const GeoPoint point = FromTilePlane({x, y}, 0);
  return " near longitude " + Decimal(point.Longitude) + ", latitude " + Decimal(point.Latitude);
}

GeoRing RingFromPlane(const GeosContext& geos, const GEOSGeometry* ring) {
  const GEOSCoordSequence* sequence = GEOSGeom_getCoordSeq_r(geos.Handle(), ring);
  unsigned size = 0;
  GEOSCoordSeq_getSize_r(geos.Handle(), sequence, &size);
  GeoRing points;
  for (unsigned i = 0; i + 1 < size; ++i) {  // the closing point repeats the first
    double x = 0, y = 0;
    GEOSCoordSeq_getXY_r(geos.Handle(), sequence, i, &x, &y);
    points.push_back(FromTilePlane({x, y}, 0));
  }
  return points;
}

}  // namespace

std::string CorridorWidthProblem(double metres) {
  if (!(metres > 0) || !(metres <= kMaxCorridorMetres)) {
    return "The corridor's width must be more than 0 and at most 100000 metres on each side.";
  }
  return {};
}

ShapeReading ReadShapeText(const std::string& text, const std::string& fileName,
                           std::optional<double> corridorMetres) {
  ShapeReading reading;
  try {
    reading.Value = ParseByContent(text);
  } catch (const ShapeFormatError& fault) {
    throw AppError(fileName + " " + fault.what() + ".");
  }
  DropDegenerate(reading.Value);
  if (reading.Value.Empty()) {
    throw AppError(fileName + " holds no polygon, track or line that could be used.");
  }
  CheckCoordinates(reading.Value, fileName, reading.Notes);
  RefuseCrossing180(reading.Value, fileName);
  if (corridorMetres) {
    const std::string problem = CorridorWidthProblem(*corridorMetres);
    if (!problem.empty()) throw AppError(problem);
    reading.Value.CorridorMetres = *corridorMetres;
  } else if (!reading.Value.Lines.empty()) {
    throw AppError(fileName +
                   " holds a track or line: give the corridor's width in metres on each side.");
  }
  if (reading.Value.Name.empty()) {
    reading.Value.Name = std::filesystem::path(fileName).stem().string();
  }
  const std::string problem = ShapeProblem(reading.Value);
  if (!problem.empty()) {
    reading.Problem = "The area of " + fileName + " is not valid: " + problem + ".";
    reading.CanRepair = true;
  }
  return reading;
}

ShapeReading ReadShapeFile(const std::string& fileName, std::optional<double> corridorMetres) {
  const std::optional<uint64_t> size = FileSize(fileName);
  if (!size) throw CannotOpenFile(fileName);
  if (*size >= kMaxShapeFileBytes) {
    throw AppError(fileName + " is 100 MB or larger; a shape file that large is refused.");
  }
  const std::optional<std::string> text = ReadWholeFile(fileName);
  if (!text) throw CannotOpenFile(fileName);
  return ReadShapeText(*text, fileName, corridorMetres);
}

std::string ShapeProblem(const Shape& shape) {
  GeosContext geos;
  for (const GeoPolygon& polygon : shape.Polygons) {
    Shape one;
    one.Polygons.push_back(polygon);
    GeosGeometry area = PolygonsOnPlane(geos, one, 0);
    char* reason = nullptr;
    GEOSGeometry* location = nullptr;
    const char valid = GEOSisValidDetail_r(geos.Handle(), area.get(), 0, &reason, &location);
    GeosGeometry ownedLocation(location, GeosGeometryFree{geos.Handle()});
    const std::string why = reason != nullptr ? reason : "";
    if (reason != nullptr) GEOSFree_r(geos.Handle(), reason);
    if (valid == 2) throw std::runtime_error("The geometry library failed: " + geos.LastError());
    if (valid == 0) return why + PointText(geos, location);
  }
  return {};
}

Shape RepairShape(const Shape& shape) {
  GeosContext geos;
  Shape repaired = shape;
  repaired.Polygons.clear();
  for (const GeoPolygon& polygon : shape.Polygons) {
    Shape one;
    one.Polygons.push_back(polygon);
    GeosGeometry area = PolygonsOnPlane(geos, one, 0);
    GeosGeometry valid = geos.Own(GEOSMakeValid_r(geos.Handle(), area.get()));
    ForEachPart(geos, valid.get(), [&](const GEOSGeometry* part, int type) {
      if (type != GEOS_POLYGON) return;  // lines and points left of a collapse hold no area
      GeoPolygon made{RingFromPlane(geos, GEOSGetExteriorRing_r(geos.Handle(), part)), {}};
      const int holes = GEOSGetNumInteriorRings_r(geos.Handle(), part);
      for (int i = 0; i < holes; ++i) {
        made.Holes.push_back(RingFromPlane(geos, GEOSGetInteriorRingN_r(geos.Handle(), part, i)));
      }
      repaired.Polygons.push_back(std::move(made));
    });
  }
  return repaired;
}

}  // namespace kartovel
