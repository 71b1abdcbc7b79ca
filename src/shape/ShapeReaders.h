// The three shape file formats, each read from its text into a shape. A fault of the
// format throws ShapeFormatError with the reason as a sentence fragment, which the file
// reader puts after the file's name.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "shape/Shape.h"

namespace kartovel {

class ShapeFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The most points a shape file may hold. A task keeps far fewer (its shape section's
// limit), so a file beyond this is refused while it is read, before its points fill
// memory: about 50 MB at most for the points of any file under the size limit.
inline constexpr size_t kMaxShapeFilePoints = 1000000;
// The fault of a file with more points than that.
std::string TooManyPointsFault();
// Counts one more point of a file; throws ShapeFormatError past kMaxShapeFilePoints.
void CountShapePoint(size_t& counted);

// GeoJSON: Polygon, MultiPolygon, LineString, MultiLineString, a GeometryCollection of
// them, and Features and FeatureCollections holding them.
Shape ReadGeoJson(std::string_view text);
// KML: Polygons and LineStrings in Placemarks, MultiGeometries, Folders and Documents.
Shape ReadKml(std::string_view text);
// GPX: the tracks' segments and the routes, each a line.
Shape ReadGpx(std::string_view text);

// "lon,lat[,alt]" tuples separated by blanks, as KML writes them; more than most of them
// throw the fault of too many points.
std::vector<GeoPoint> ParseKmlCoordinates(std::string_view text,
                                          size_t most = kMaxShapeFilePoints);
// A decimal number as the whole of a text (blanks around it allowed).
bool ParseDecimal(std::string_view text, double& value);

}  // namespace kartovel
