// Every export format read back by a reader of its own: the same task of which 30 % of
// the tiles are one identical image lands whole in each file, identical tiles are stored
// once where the format allows it, and the file passes its structure check.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <string>

#include "export/HandMadeTask.h"
#include "export/TileExport.h"
#include "support/MbtilesReader.h"
#include "support/PmtilesReader.h"

namespace kartovel {
namespace {

using testing::HandMadeTask;
using testing::Sandbox;

// Tiles by zoom, column and row counted from the north; contents stored in the file
// (-1: the format keeps one per tile); what the structure check said ("ok": whole).
struct ReadBack {
  std::map<std::tuple<int, int, int>, std::string> Tiles;
  int64_t Contents = -1;
  std::string Structure;
};

ReadBack ReadBackMbtiles(const std::string& file) {
  const testing::MbtilesContent content = testing::ReadMbtiles(file);
  ReadBack back;
  for (const auto& [key, data] : content.Tiles) {
    const auto [zoom, column, tmsRow] = key;
    back.Tiles[{zoom, column, (1 << zoom) - 1 - tmsRow}] = data;
  }
  back.Contents = content.StoredImages;
  back.Structure = content.HasUniqueTileIndex && content.TilesKind == "view" &&
                           content.ApplicationId == 0x4D504258
                       ? content.Integrity
                       : "schema";
  return back;
}

ReadBack ReadBackPmtiles(const std::string& file) {
  const testing::PmtilesContent content = testing::ReadPmtiles(file);
  return ReadBack{content.Tiles, static_cast<int64_t>(content.TileContents),
                  content.Structure};
}

// The GeoPackage's tiles and its structure: application id "GPKG", version 1.3, the
// coordinate systems it must hold, a tile matrix for every zoom of its tiles.
ReadBack ReadBackGeopackage(const std::string& file) {
  ReadBack back;
  for (const auto& row : testing::SqliteQuery(
           file, "SELECT zoom_level, tile_column, tile_row, tile_data FROM tiles")) {
    back.Tiles[{std::stoi(row[0]), std::stoi(row[1]), std::stoi(row[2])}] = row[3];
  }
  const auto header = testing::SqliteQuery(file, "SELECT * FROM pragma_application_id, "
                                                 "pragma_user_version");
  const auto systems = testing::SqliteQuery(
      file, "SELECT count(*) FROM gpkg_spatial_ref_sys WHERE srs_id IN (-1, 0, 4326, 3857)");
  const auto unmatched = testing::SqliteQuery(
      file, "SELECT count(*) FROM (SELECT DISTINCT zoom_level FROM tiles) WHERE zoom_level NOT "
            "IN (SELECT zoom_level FROM gpkg_tile_matrix WHERE matrix_width = 1 << zoom_level)");
  const auto contents = testing::SqliteQuery(
      file, "SELECT data_type, srs_id FROM gpkg_contents WHERE table_name = 'tiles'");
  const bool schema = header[0] == std::vector<std::string>{"1196444487", "10300"} &&
                      systems[0][0] == "4" && unmatched[0][0] == "0" &&
                      contents == std::vector<std::vector<std::string>>{{"tiles", "3857"}};
  back.Structure = schema ? testing::SqliteIntegrity(file) : "schema";
  return back;
}

ReadBack ReadBackSqlitedb(const std::string& file) {
  ReadBack back;
  for (const auto& row : testing::SqliteQuery(file, "SELECT z, x, y, image FROM tiles")) {
    back.Tiles[{17 - std::stoi(row[0]), std::stoi(row[1]), std::stoi(row[2])}] = row[3];
  }
  const auto info = testing::SqliteQuery(file, "SELECT minzoom, maxzoom FROM info");
  back.Structure = info == std::vector<std::vector<std::string>>{{"13", "13"}}
                       ? testing::SqliteIntegrity(file)
                       : "schema";
  return back;
}

struct FormatCase {
  std::string extension;
  std::function<ReadBack(const std::string&)> read;
  bool deduplicates;
};

const FormatCase kFormats[] = {
    {".mbtiles", ReadBackMbtiles, true},
    {".pmtiles", ReadBackPmtiles, true},
    {".gpkg", ReadBackGeopackage, false},
    {".sqlitedb", ReadBackSqlitedb, false},
};

TEST(ArchiveFormats, ATaskOfWhichAThirdIsOneImageLandsWholeInEveryFormatStoredOnceWhereItCan) {
  Sandbox box;
  const HandMadeTask task{.name = "sea", .zoom = 4, .maxX = 9, .maxY = 9};
  const std::string taskFile = WriteHandMadeTask(box, task);
  std::map<std::tuple<int, int, int>, std::string> written;
  int64_t distinct = 0;
  for (int x = 0; x <= 9; ++x) {
    for (int y = 0; y <= 9; ++y) {
      const bool sea = (x * 10 + y) % 10 < 3;  // 30 of 100
      const std::string image =
          testing::TileImage(sea ? std::string("sea") : "land " + std::to_string(x * 10 + y));
      distinct += sea ? 0 : 1;
      Sandbox::WriteAll(testing::TilePathOf(box, task, x, y), image);
      written[{4, x, y}] = image;
    }
  }
  ++distinct;  // the sea, once
  const std::string program = testing::WriteProgramFolder(box, "BLANK");
  for (const FormatCase& format : kFormats) {
    const std::string out = box.Path("sea" + format.extension);
    TileExport exporter({taskFile}, program);
    const auto counts = exporter.WriteTo(out, nullptr);
    ASSERT_TRUE(counts) << format.extension;
    EXPECT_EQ(counts->Exported, 100);
    const ReadBack back = format.read(out);
    EXPECT_EQ(back.Structure, "ok") << format.extension;
    EXPECT_EQ(back.Tiles, written) << format.extension;
    EXPECT_EQ(exporter.Stored().Tiles, 100);
    if (format.deduplicates) {
      EXPECT_EQ(back.Contents, distinct) << format.extension;
      EXPECT_EQ(exporter.Stored().Contents, distinct) << format.extension;
    }
    std::cout << format.extension << ": " << std::filesystem::file_size(out) << " bytes, "
              << exporter.Stored().Tiles << " tiles in " << exporter.Stored().Contents
              << " contents (ratio "
              << static_cast<double>(exporter.Stored().Tiles) /
                     static_cast<double>(exporter.Stored().Contents)
              << ")\n";
  }
}

// The OsmAnd/Locus file names the source's address in the apps' form and the request
// headers the source asks for, so that an app fetching tiles itself asks the same way.
TEST(ArchiveFormats, TheSqlitedbNamesTheSourcesAddressAndHeadersInTheAppsForm) {
  Sandbox box;
  MapSource source;
  source.MapsType = 100;
  source.Name = "Topo";
  source.Url = "https://tiles.example.org/{z}/{x}/{y}.png?key=k";
  source.Prefix = "topo";
  source.Extension = "png";
  source.Referer = "https://maps.example.org/";
  source.UserAgent = "Kartovel test";
  source.MinZoom = 1;
  source.MaxZoom = 18;
  const HandMadeTask task{.name = "topo", .zoom = 2, .maxX = 0, .maxY = 0, .source = source};
  const std::string taskFile = WriteHandMadeTask(box, task);
  Sandbox::WriteAll(testing::TilePathOf(box, task, 0, 0), testing::TileImage("t"));
  const std::string out = box.Path("topo.sqlitedb");
  ASSERT_TRUE(TileExport({taskFile}, testing::WriteProgramFolder(box, "BLANK")).WriteTo(out, nullptr));
  EXPECT_EQ(testing::SqliteQuery(out, "SELECT minzoom, maxzoom, url, referer, useragent, "
                                      "tilenumbering FROM info"),
            (std::vector<std::vector<std::string>>{
                {"15", "15", "https://tiles.example.org/{0}/{1}/{2}.png?key=k",
                 "https://maps.example.org/", "Kartovel test", "BigPlanet"}}));
  EXPECT_EQ(testing::SqliteQuery(out, "SELECT x, y, z FROM tiles"),
            (std::vector<std::vector<std::string>>{{"0", "0", "15"}}));
}

}  // namespace
}  // namespace kartovel
