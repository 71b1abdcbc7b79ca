// The three shape file formats, each read from its text into a shape. A fault of the
// format throws ShapeFormatError with the reason as a sentence fragment, which the file
// reader puts after the file's name.
#pragma once

#include <stdexcept>
#include <string_view>

#include "shape/Shape.h"

namespace kartovel {

class ShapeFormatError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// GeoJSON: Polygon, MultiPolygon, LineString, MultiLineString, a GeometryCollection of
// them, and Features and FeatureCollections holding them.
Shape ReadGeoJson(std::string_view text);
// KML: Polygons and LineStrings in Placemarks, MultiGeometries, Folders and Documents.
Shape ReadKml(std::string_view text);
// GPX: the tracks' segments and the routes, each a line.
Shape ReadGpx(std::string_view text);

// "lon,lat[,alt]" tuples separated by blanks, as KML writes them.
std::vector<GeoPoint> ParseKmlCoordinates(std::string_view text);
// A decimal number as the whole of a text (blanks around it allowed).
bool ParseDecimal(std::string_view text, double& value);

}  // namespace kartovel
