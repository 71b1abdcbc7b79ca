// What a shape file must pass before it becomes a task: each bad input refused with a
// sentence naming the file and the fault, and an invalid polygon offered for repair,
// never repaired unasked.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "shape/ShapeFile.h"
#include "shape/ShapeReaders.h"

namespace kartovel {
namespace {

const std::string kBomb = R"(<?xml version="1.0"?>
<!DOCTYPE gpx [
 <!ENTITY a "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa">
 <!ENTITY b "&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;">
 <!ENTITY c "&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;">
 <!ENTITY d "&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;">
 <!ENTITY e "&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;">
]>
<gpx><trk><name>&e;</name><trkseg><trkpt lat="1" lon="2"/></trkseg></trk></gpx>)";

std::string Polygon(const std::string& ring) {
  return R"({"type":"Polygon","coordinates":[[)" + ring + "]]}";
}

const std::string kLine = R"({"type":"LineString","coordinates":[[7.0,46.5],[7.1,46.6]]})";

TEST(ShapeFile, BadInputIsRefusedWithTheFileAndTheFault) {
  const struct {
    std::string text;
    std::optional<double> corridor;
    std::string message;
  } cases[] = {
      {"hello world", {}, "trip.txt is not a GeoJSON, KML or GPX file."},
      {"<html><body/></html>", {}, "trip.txt is not a GeoJSON, KML or GPX file."},
      {"[1, 2]", {}, "trip.txt is not a GeoJSON, KML or GPX file."},
      {"", {}, "trip.txt is not a GeoJSON, KML or GPX file."},
      {"{\"type\": \"Polygon\", ", {}, "trip.txt is not valid JSON."},
      {"{\"name\": 1}", {}, "trip.txt is JSON but not GeoJSON."},
      {"{\"type\":\"Polygon\",\"coordinates\":" + std::string(200, '[') + std::string(200, ']') + "}",
       {}, "trip.txt is nested too deeply for GeoJSON."},
      {R"({"type":"Point","coordinates":[1,2]})", {}, "trip.txt holds no polygon, track or line that could be used."},
      {Polygon("[1,2],[3,4],[1,2]"), {}, "trip.txt holds no polygon, track or line that could be used."},
      {Polygon("[1,2],[\"a\",4],[5,6]"), {}, "trip.txt has a position that is not [longitude, latitude]."},
      {R"({"type":"Polygon","coordinates":7})", {}, "trip.txt has a polygon without rings."},
      {"<kml><Document><name>x</name></Document></kml>", {}, "trip.txt holds no polygon, track or line that could be used."},
      {"<kml><Placemark></kml>", {}, "trip.txt is not well-formed XML (mismatched tag at line 1)."},
      {"<kml><Placemark><LineString><coordinates>1;2</coordinates></LineString></Placemark></kml>",
       {}, "trip.txt has coordinates that are not longitude,latitude numbers."},
      {"<gpx><trk><trkseg><trkpt lon=\"1\"/></trkseg></trk></gpx>", 10.0,
       "trip.txt has a track or route point without numbers for lat and lon."},
      {kBomb, 10.0, "trip.txt declares XML entities, which are refused."},
      {Polygon("[181,2],[3,4],[5,1]"), {}, "trip.txt has a point outside longitude -180..180 or latitude -90..90 (181.000000, 2.000000)."},
      {Polygon("[1,-90.5],[3,4],[5,1]"), {}, "trip.txt has a point outside longitude -180..180 or latitude -90..90 (1.000000, -90.500000)."},
      {"<kml><Placemark><LineString><coordinates>nan,1 2,3</coordinates></LineString></Placemark></kml>",
       10.0, "trip.txt has a point outside longitude -180..180 or latitude -90..90 (nan, 1.000000)."},
      {Polygon("[179,-16],[-179,-16],[-179,-17],[179,-17]"), {},
       "trip.txt crosses longitude 180 (from 179.000000 to -179.000000); an area must lie on one "
       "side of it: give the parts east and west of longitude 180 as two shape files and download "
       "them as two tasks."},
      {Polygon("[-179.5,-16],[-179,-16],[179.5,-17]"), {},
       "trip.txt crosses longitude 180 (from -179.000000 to 179.500000); an area must lie on one "
       "side of it: give the parts east and west of longitude 180 as two shape files and download "
       "them as two tasks."},
      {R"({"type":"LineString","coordinates":[[178,60],[179.9,60.1],[-179.9,60.2]]})", 500.0,
       "trip.txt crosses longitude 180 (from 179.900000 to -179.900000); an area must lie on one "
       "side of it: give the parts east and west of longitude 180 as two shape files and download "
       "them as two tasks."},
      {kLine, {}, "trip.txt holds a track or line: give the corridor's width in metres on each side."},
      {kLine, 0.0, "The corridor's width must be more than 0 and at most 100000 metres on each side."},
      {kLine, -5.0, "The corridor's width must be more than 0 and at most 100000 metres on each side."},
      {kLine, 100000.5, "The corridor's width must be more than 0 and at most 100000 metres on each side."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text.substr(0, 80));
    try {
      ReadShapeText(c.text, "trip.txt", c.corridor);
      ADD_FAILURE() << "accepted";
    } catch (const AppError& error) {
      EXPECT_EQ(error.what(), c.message);
    }
  }
}

TEST(ShapeFile, GoodInputIsTakenWithItsNotes) {
  const ShapeReading widest = ReadShapeText(kLine, "/maps/alps.geojson", 100000.0);
  EXPECT_EQ(widest.Value.CorridorMetres, 100000.0);
  EXPECT_EQ(widest.Value.Name, "alps");  // no name in the file: the file's
  EXPECT_TRUE(widest.Notes.empty());
  EXPECT_TRUE(widest.Problem.empty());

  const ShapeReading arctic = ReadShapeText(Polygon("[10,80],[20,80],[15,89.5]"), "arctic.json", {});
  ASSERT_EQ(arctic.Notes.size(), 1u);
  EXPECT_EQ(arctic.Notes[0],
            "Points of arctic.json beyond latitude 85.0511 north or south lie off the map and "
            "were moved to its edge.");
  EXPECT_NEAR(arctic.Value.Polygons[0].Outer[2].Latitude, 85.0511, 1e-4);

  // Split at longitude 180 as GeoJSON asks, and a band round the world whose edges run
  // along the map from its west edge to its east edge: neither crosses.
  const ShapeReading split = ReadShapeText(
      R"({"type":"MultiPolygon","coordinates":[[[[179,-16],[180,-16],[180,-17],[179,-17]]],)"
      R"([[[-180,-16],[-179,-16],[-179,-17],[-180,-17]]]]})",
      "fiji.json", {});
  EXPECT_EQ(split.Value.Polygons.size(), 2u);
  EXPECT_NO_THROW(ReadShapeText(Polygon("[-180,40],[180,40],[180,50],[-180,50]"), "band.json", {}));
}

TEST(ShapeFile, CrossingPolygonIsOfferedForRepairNotRepaired) {
  // A bow tie: its edges cross at (2, 1).
  const std::string bowTie = Polygon("[1,0],[3,2],[3,0],[1,2],[1,0]");
  const ShapeReading reading = ReadShapeText(bowTie, "tie.json", {});
  EXPECT_TRUE(reading.CanRepair);
  EXPECT_EQ(reading.Problem,
            "The area of tie.json is not valid: Self-intersection near longitude 2.000000, "
            "latitude 1.000152.");
  EXPECT_EQ(reading.Value.Polygons[0].Outer.size(), 4u);  // as read
  const Shape repaired = RepairShape(reading.Value);
  EXPECT_EQ(repaired.Polygons.size(), 2u);  // the two triangles
  EXPECT_EQ(ShapeProblem(repaired), "");
  EXPECT_EQ(repaired.Name, reading.Value.Name);
}

TEST(ShapeFile, HugeFileIsRefusedBeforeReading) {
  const std::filesystem::path folder = testing::TempDir() + "shape_file_huge";
  std::filesystem::create_directories(folder);
  const std::string name = (folder / "huge.geojson").string();
  { std::ofstream(name) << "{"; }
  std::filesystem::resize_file(name, kMaxShapeFileBytes);  // sparse: nothing to read fast
  const auto started = std::chrono::steady_clock::now();
  try {
    ReadShapeFile(name, {});
    ADD_FAILURE() << "accepted";
  } catch (const AppError& error) {
    EXPECT_EQ(error.what(), name + " is 100 MB or larger; a shape file that large is refused.");
  }
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(100));
  std::filesystem::resize_file(name, kMaxShapeFileBytes - 1);
  EXPECT_THROW(ReadShapeFile(name, {}), AppError);  // read, then refused as not JSON
  std::filesystem::remove_all(folder);
  EXPECT_THROW(ReadShapeFile(name, {}), AppError);  // gone
}

// A file with more points than any task could keep is refused while it is read, in each
// of the three formats, with the count named.
TEST(ShapeFile, MorePointsThanAllowedAreRefusedWhileReading) {
  const size_t points = kMaxShapeFilePoints + 1;
  std::string json = R"({"type":"LineString","coordinates":[)";
  std::string kml = "<kml><Placemark><LineString><coordinates>";
  std::string gpx = "<gpx><trk><trkseg>";
  for (size_t i = 0; i < points; ++i) {
    const std::string lon = std::to_string(i % 90);
    json += (i == 0 ? "[" : ",[") + lon + ",1]";
    kml += lon + ",1 ";
    gpx += "<trkpt lat=\"1\" lon=\"" + lon + "\"/>";
  }
  json += "]}";
  kml += "</coordinates></LineString></Placemark></kml>";
  gpx += "</trkseg></trk></gpx>";
  for (const std::string* text : {&json, &kml, &gpx}) {
    SCOPED_TRACE(text->substr(0, 20));
    try {
      ReadShapeText(*text, "long.txt", 100.0);
      ADD_FAILURE() << "accepted";
    } catch (const AppError& error) {
      EXPECT_EQ(std::string(error.what()),
                "long.txt has more than 1000000 points; a shape that large cannot be a task's "
                "area, so simplify it first.");
    }
  }
}

}  // namespace
}  // namespace kartovel
