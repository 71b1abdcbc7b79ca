// GeoJSON through nlohmann-json: geometries found wherever a Feature, a collection or a
// geometry puts them, with positions [longitude, latitude(, height)].
#include <nlohmann/json.hpp>

#include "shape/ShapeReaders.h"

namespace kartovel {

namespace {

using nlohmann::json;

// Deeper nesting than any GeoJSON needs is refused before it costs memory or stack.
constexpr int kMaxDepth = 64;

GeoPoint PositionOf(const json& position) {
  if (!position.is_array() || position.size() < 2 || !position[0].is_number() ||
      !position[1].is_number()) {
    throw ShapeFormatError("has a position that is not [longitude, latitude]");
  }
  return GeoPoint{position[0].get<double>(), position[1].get<double>()};
}

std::vector<GeoPoint> PositionsOf(const json& positions) {
  if (!positions.is_array()) throw ShapeFormatError("has coordinates that are not a list");
  std::vector<GeoPoint> points;
  points.reserve(positions.size());
  for (const json& position : positions) points.push_back(PositionOf(position));
  return points;
}

GeoRing RingOf(const json& positions) {
  GeoRing ring = PositionsOf(positions);
  if (ring.size() > 1 && ring.front() == ring.back()) ring.pop_back();
  return ring;
}

GeoPolygon PolygonOf(const json& rings) {
  if (!rings.is_array() || rings.empty()) throw ShapeFormatError("has a polygon without rings");
  GeoPolygon polygon{RingOf(rings[0]), {}};
  for (size_t i = 1; i < rings.size(); ++i) polygon.Holes.push_back(RingOf(rings[i]));
  return polygon;
}

void ReadObject(const json& object, Shape& shape);

void ReadGeometry(const std::string& type, const json& object, Shape& shape) {
  if (type == "GeometryCollection") {
    const json& geometries = object.value("geometries", json::array());
    for (const json& geometry : geometries) ReadObject(geometry, shape);
    return;
  }
  const auto coordinates = object.find("coordinates");
  if (coordinates == object.end()) return;
  if (type == "Polygon") {
    shape.Polygons.push_back(PolygonOf(*coordinates));
  } else if (type == "MultiPolygon") {
    for (const json& polygon : *coordinates) shape.Polygons.push_back(PolygonOf(polygon));
  } else if (type == "LineString") {
    shape.Lines.push_back(PositionsOf(*coordinates));
  } else if (type == "MultiLineString") {
    for (const json& line : *coordinates) shape.Lines.push_back(PositionsOf(line));
  }
  // Points carry no area and no line: nothing to add.
}

void ReadObject(const json& object, Shape& shape) {
  if (!object.is_object()) return;
  const std::string type = object.value("type", "");
  if (type == "FeatureCollection") {
    for (const json& feature : object.value("features", json::array())) ReadObject(feature, shape);
  } else if (type == "Feature") {
    if (shape.Name.empty()) {
      const auto properties = object.find("properties");
      if (properties != object.end() && properties->is_object()) {
        const auto name = properties->find("name");
        if (name != properties->end() && name->is_string()) shape.Name = *name;
      }
    }
    const auto geometry = object.find("geometry");
    if (geometry != object.end()) ReadObject(*geometry, shape);
  } else {
    ReadGeometry(type, object, shape);
  }
}

}  // namespace

Shape ReadGeoJson(std::string_view text) {
  bool tooDeep = false;
  const json::parser_callback_t limitDepth = [&tooDeep](int depth, json::parse_event_t,
                                                        json&) {
    if (depth > kMaxDepth) tooDeep = true;
    return !tooDeep;
  };
  const json document = json::parse(text.begin(), text.end(), limitDepth, false);
  if (tooDeep) throw ShapeFormatError("is nested too deeply for GeoJSON");
  if (document.is_discarded()) throw ShapeFormatError("is not valid JSON");
  if (!document.is_object() || !document.contains("type")) {
    throw ShapeFormatError("is JSON but not GeoJSON");
  }
  Shape shape;
  try {
    ReadObject(document, shape);
  } catch (const json::exception&) {
    throw ShapeFormatError("has a GeoJSON member of the wrong kind");
  }
  return shape;
}

}  // namespace kartovel
