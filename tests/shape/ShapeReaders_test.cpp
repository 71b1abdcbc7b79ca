// The three readers on files as other programs write them (hand-made in their style):
// every polygon, hole and line found where those programs put them, and the name.
#include <gtest/gtest.h>

#include "shape/ShapeReaders.h"

namespace kartovel {
namespace {

constexpr const char* kGeoJson = R"({
  "type": "FeatureCollection",
  "features": [
    {"type": "Feature", "properties": {"name": "Lake loop", "stroke": "#ff0000"},
     "geometry": {"type": "Polygon", "coordinates": [
       [[8.50, 47.30], [8.60, 47.30], [8.60, 47.40], [8.50, 47.40], [8.50, 47.30]],
       [[8.53, 47.33], [8.56, 47.33], [8.56, 47.36], [8.53, 47.33]]]}},
    {"type": "Feature", "properties": null, "geometry": {"type": "MultiPolygon", "coordinates": [
       [[[9.0, 46.0], [9.1, 46.0], [9.1, 46.1], [9.0, 46.0]]],
       [[[9.2, 46.0], [9.3, 46.0], [9.3, 46.1], [9.2, 46.0]]]]}},
    {"type": "Feature", "properties": {}, "geometry": {"type": "GeometryCollection", "geometries": [
       {"type": "LineString", "coordinates": [[7.0, 46.5, 1200.5], [7.1, 46.6, 1300]]},
       {"type": "Point", "coordinates": [7.0, 46.5]}]}},
    {"type": "Feature", "properties": {}, "geometry": {"type": "MultiLineString", "coordinates": [
       [[6.0, 45.0], [6.1, 45.1]], [[6.2, 45.2], [6.3, 45.3]]]}}
  ]
})";

constexpr const char* kKml = R"(<?xml version="1.0" encoding="UTF-8"?>
<kml xmlns="http://www.opengis.net/kml/2.2" xmlns:gx="http://www.google.com/kml/ext/2.2">
<Document>
  <name>Border walk</name>
  <Style id="s"><LineStyle><width>3</width></LineStyle></Style>
  <Folder>
    <name>Day 1</name>
    <Placemark>
      <name>Valley</name>
      <Polygon><outerBoundaryIs><LinearRing><coordinates>
        10.0,46.0,0 10.5,46.0,0 10.5,46.5,0 10.0,46.5,0 10.0,46.0,0
      </coordinates></LinearRing></outerBoundaryIs>
      <innerBoundaryIs><LinearRing><coordinates>10.1,46.1 10.2,46.1 10.2,46.2 10.1,46.1</coordinates></LinearRing></innerBoundaryIs>
      </Polygon>
    </Placemark>
    <Placemark><MultiGeometry>
      <LineString><tessellate>1</tessellate><coordinates>11.0,47.0,500
11.1,47.05,510	11.2,47.1,520</coordinates></LineString>
      <Point><coordinates>11.0,47.0</coordinates></Point>
    </MultiGeometry></Placemark>
  </Folder>
</Document>
</kml>)";

constexpr const char* kGpx = R"(<?xml version="1.0" encoding="UTF-8" standalone="no" ?>
<gpx version="1.1" creator="GPS device" xmlns="http://www.topografix.com/GPX/1/1">
  <metadata><name>River trip</name><time>2024-06-01T08:00:00Z</time></metadata>
  <wpt lat="45.0" lon="13.0"><name>Camp</name></wpt>
  <trk><name>Track 1</name>
    <trkseg>
      <trkpt lat="45.10" lon="13.10"><ele>12.0</ele><time>2024-06-01T08:00:00Z</time></trkpt>
      <trkpt lat="45.11" lon="13.12"><ele>13.0</ele></trkpt>
    </trkseg>
    <trkseg><trkpt lat="45.20" lon="13.20"/><trkpt lat="45.21" lon="13.22"/><trkpt lat="45.22" lon="13.25"/></trkseg>
  </trk>
  <rte><name>Back</name><rtept lat="45.3" lon="13.3"/><rtept lat="+45.4" lon="13.4"/></rte>
</gpx>)";

TEST(ShapeReaders, GeoJsonFeaturesAndCollections) {
  const Shape shape = ReadGeoJson(kGeoJson);
  EXPECT_EQ(shape.Name, "Lake loop");
  ASSERT_EQ(shape.Polygons.size(), 3u);
  EXPECT_EQ(shape.Polygons[0].Outer.size(), 4u);  // the closing point is dropped
  ASSERT_EQ(shape.Polygons[0].Holes.size(), 1u);
  EXPECT_EQ(shape.Polygons[0].Holes[0][1], (GeoPoint{8.56, 47.33}));
  EXPECT_EQ(shape.Polygons[2].Outer[0], (GeoPoint{9.2, 46.0}));
  ASSERT_EQ(shape.Lines.size(), 3u);
  EXPECT_EQ(shape.Lines[0], (GeoLine{{7.0, 46.5}, {7.1, 46.6}}));
  EXPECT_EQ(shape.Lines[2][1], (GeoPoint{6.3, 45.3}));
}

TEST(ShapeReaders, KmlPlacemarksInFolders) {
  const Shape shape = ReadKml(kKml);
  EXPECT_EQ(shape.Name, "Border walk");
  ASSERT_EQ(shape.Polygons.size(), 1u);
  EXPECT_EQ(shape.Polygons[0].Outer,
            (GeoRing{{10.0, 46.0}, {10.5, 46.0}, {10.5, 46.5}, {10.0, 46.5}}));
  ASSERT_EQ(shape.Polygons[0].Holes.size(), 1u);
  EXPECT_EQ(shape.Polygons[0].Holes[0].size(), 3u);
  ASSERT_EQ(shape.Lines.size(), 1u);
  EXPECT_EQ(shape.Lines[0], (GeoLine{{11.0, 47.0}, {11.1, 47.05}, {11.2, 47.1}}));
}

TEST(ShapeReaders, GpxSegmentsAndRoutes) {
  const Shape shape = ReadGpx(kGpx);
  EXPECT_EQ(shape.Name, "River trip");
  EXPECT_TRUE(shape.Polygons.empty());
  ASSERT_EQ(shape.Lines.size(), 3u);
  EXPECT_EQ(shape.Lines[0], (GeoLine{{13.10, 45.10}, {13.12, 45.11}}));
  EXPECT_EQ(shape.Lines[1].size(), 3u);
  EXPECT_EQ(shape.Lines[2], (GeoLine{{13.3, 45.3}, {13.4, 45.4}}));
}

TEST(ShapeReaders, KmlCoordinateTuples) {
  const struct {
    const char* text;
    bool valid;
    size_t points;
  } cases[] = {
      {"1,2", true, 1},         {" 1,2,3\n4.5,-6 ", true, 2}, {"", true, 0},
      {"1", false, 0},          {"1,x", false, 0},            {"1,2,3,4", false, 0},
      {"1;2", false, 0},        {"1,,2", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    if (!c.valid) {
      EXPECT_THROW(ParseKmlCoordinates(c.text), ShapeFormatError);
      continue;
    }
    EXPECT_EQ(ParseKmlCoordinates(c.text).size(), c.points);
  }
}

// GeoJSON's members come in any order and files carry members of their own: only a
// geometry where a Feature, a collection or the file puts it counts, whatever else holds
// something that looks like one.
TEST(ShapeReaders, GeoJsonMembersInAnyOrderAndForeignOnesIgnored) {
  const struct {
    const char* text;
    size_t polygons;
    size_t lines;
    const char* name;
  } cases[] = {
      {R"({"coordinates":[[[1,2],[3,2],[2,3]]],"type":"Polygon"})", 1, 0, ""},
      {R"({"features":[{"geometry":{"coordinates":[[1,2],[3,4]],"type":"LineString"},
           "properties":{"name":"late","style":{"type":"Polygon","coordinates":[[[1,2],[3,2],[2,3]]]}},
           "type":"Feature"}],"type":"FeatureCollection"})", 0, 1, "late"},
      {R"({"type":"Feature","bbox":[1,2,3,4],"extra":{"type":"Polygon","coordinates":[[[1,2],[3,2],[2,3]]]},
           "geometry":null,"properties":{"name":"none"}})", 0, 0, "none"},
      {R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},
           "geometry":{"type":"MultiPolygon","coordinates":[[[[1,2],[3,2],[2,3]]],[[[5,6],[7,6],[6,7]],[[5.5,6.1],[6,6.1],[6,6.5]]]]}},
           {"type":"Feature","properties":{"name":"second"},"geometry":{"type":"Point","coordinates":[1,2]}}]})", 2, 0, "second"},
      {R"({"type":"Polygon","coordinates":[[[1,2,100,{"x":[1,2]}],[3,2],[2,3]]]})", 1, 0, ""},
      {R"({"type":"Other","coordinates":[[[1,2],[3,2],[2,3]]],"geometry":{"type":"LineString","coordinates":[[1,2],[3,4]]}})", 0, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const Shape shape = ReadGeoJson(c.text);
    EXPECT_EQ(shape.Polygons.size(), c.polygons);
    EXPECT_EQ(shape.Lines.size(), c.lines);
    EXPECT_EQ(shape.Name, c.name);
  }
  const Shape multi = ReadGeoJson(cases[3].text);
  ASSERT_EQ(multi.Polygons[1].Holes.size(), 1u);
  EXPECT_EQ(multi.Polygons[1].Holes[0][2], (GeoPoint{6, 6.5}));
  EXPECT_THROW(ReadGeoJson(R"({"type":5,"coordinates":[]})"), ShapeFormatError);
}

}  // namespace
}  // namespace kartovel
