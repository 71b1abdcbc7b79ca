// The GeoPackage tables, their rows and the tiles.
#include "export/GeopackageWriter.h"

#include <cmath>

#include "export/TileImageSize.h"
#include "geometry/WebMercator.h"
#include "geometry/WebMercatorWkt.h"

namespace kartovel {

namespace {

// Half the side of the Web-Mercator grid in metres.
constexpr double kHalfWorld = 20037508.342789244;

// application_id "GPKG" and user_version 10300 make the file a GeoPackage 1.3.
constexpr char kSchema[] =
    "PRAGMA application_id=1196444487;"
    "PRAGMA user_version=10300;"
    "CREATE TABLE gpkg_spatial_ref_sys (srs_name TEXT NOT NULL, srs_id INTEGER PRIMARY KEY,"
    " organization TEXT NOT NULL, organization_coordsys_id INTEGER NOT NULL,"
    " definition TEXT NOT NULL, description TEXT);"
    "CREATE TABLE gpkg_contents (table_name TEXT NOT NULL PRIMARY KEY, data_type TEXT NOT NULL,"
    " identifier TEXT UNIQUE, description TEXT DEFAULT '', last_change DATETIME NOT NULL"
    " DEFAULT (strftime('%Y-%m-%dT%H:%M:%fZ','now')), min_x DOUBLE, min_y DOUBLE,"
    " max_x DOUBLE, max_y DOUBLE, srs_id INTEGER, CONSTRAINT fk_gc_r_srs_id FOREIGN KEY"
    " (srs_id) REFERENCES gpkg_spatial_ref_sys(srs_id));"
    "CREATE TABLE gpkg_tile_matrix_set (table_name TEXT NOT NULL PRIMARY KEY,"
    " srs_id INTEGER NOT NULL, min_x DOUBLE NOT NULL, min_y DOUBLE NOT NULL,"
    " max_x DOUBLE NOT NULL, max_y DOUBLE NOT NULL, CONSTRAINT fk_gtms_table_name FOREIGN KEY"
    " (table_name) REFERENCES gpkg_contents(table_name), CONSTRAINT fk_gtms_srs FOREIGN KEY"
    " (srs_id) REFERENCES gpkg_spatial_ref_sys (srs_id));"
    "CREATE TABLE gpkg_tile_matrix (table_name TEXT NOT NULL, zoom_level INTEGER NOT NULL,"
    " matrix_width INTEGER NOT NULL, matrix_height INTEGER NOT NULL,"
    " tile_width INTEGER NOT NULL, tile_height INTEGER NOT NULL,"
    " pixel_x_size DOUBLE NOT NULL, pixel_y_size DOUBLE NOT NULL,"
    " CONSTRAINT pk_ttm PRIMARY KEY (table_name, zoom_level), CONSTRAINT fk_tmm_table_name"
    " FOREIGN KEY (table_name) REFERENCES gpkg_contents(table_name));"
    "CREATE TABLE tiles (id INTEGER PRIMARY KEY AUTOINCREMENT, zoom_level INTEGER NOT NULL,"
    " tile_column INTEGER NOT NULL, tile_row INTEGER NOT NULL, tile_data BLOB NOT NULL,"
    " UNIQUE (zoom_level, tile_column, tile_row));";

constexpr char kWgs84Wkt[] =
    "GEOGCS[\"WGS 84\",DATUM[\"WGS_1984\",SPHEROID[\"WGS 84\",6378137,298.257223563,"
    "AUTHORITY[\"EPSG\",\"7030\"]],AUTHORITY[\"EPSG\",\"6326\"]],"
    "PRIMEM[\"Greenwich\",0,AUTHORITY[\"EPSG\",\"8901\"]],"
    "UNIT[\"degree\",0.0174532925199433,AUTHORITY[\"EPSG\",\"9122\"]],"
    "AUTHORITY[\"EPSG\",\"4326\"]]";

constexpr char kInsertSrs[] =
    "INSERT INTO gpkg_spatial_ref_sys (srs_name, srs_id, organization, organization_coordsys_id,"
    " definition, description) VALUES (?1, ?2, ?3, ?4, ?5, ?6)";
constexpr char kInsertContents[] =
    "INSERT INTO gpkg_contents (table_name, data_type, identifier, description, min_x, min_y,"
    " max_x, max_y, srs_id) VALUES ('tiles', 'tiles', ?1, ?2, ?3, ?4, ?5, ?6, 3857)";
constexpr char kInsertMatrixSet[] =
    "INSERT INTO gpkg_tile_matrix_set (table_name, srs_id, min_x, min_y, max_x, max_y)"
    " VALUES ('tiles', 3857, ?1, ?2, ?3, ?4)";
constexpr char kInsertMatrix[] =
    "INSERT INTO gpkg_tile_matrix (table_name, zoom_level, matrix_width, matrix_height,"
    " tile_width, tile_height, pixel_x_size, pixel_y_size)"
    " VALUES ('tiles', ?1, ?2, ?2, ?3, ?4, ?5, ?6)";
constexpr char kInsertTile[] =
    "INSERT OR REPLACE INTO tiles (zoom_level, tile_column, tile_row, tile_data)"
    " VALUES (?1, ?2, ?3, ?4)";

}  // namespace

GeopackageWriter::GeopackageWriter(const std::string& targetFile, const TilesetInfo& info)
    : archive_(targetFile, kSchema), insertTile_(archive_.Prepare(kInsertTile)) {
  SqliteStatement& srs = archive_.Prepare(kInsertSrs);
  struct Srs {
    const char* name;
    int64_t id;
    const char* organization;
    int64_t code;
    const char* definition;
    const char* description;
  };
  const Srs systems[] = {
      {"Undefined cartesian SRS", -1, "NONE", -1, "undefined", "undefined cartesian coordinate"},
      {"Undefined geographic SRS", 0, "NONE", 0, "undefined", "undefined geographic coordinate"},
      {"WGS 84 geodetic", 4326, "EPSG", 4326, kWgs84Wkt, "longitude/latitude in degrees"},
      {"WGS 84 / Pseudo-Mercator", 3857, "EPSG", 3857, kWebMercatorWkt, "Web Mercator"},
  };
  const GeoBounds bounds = info.Bounds.value_or(GeoBounds{-180, -85.0511287798066, 180,
                                                          85.0511287798066});
  archive_.Write([&] {
    for (const Srs& system : systems) {
      srs.BindText(1, system.name);
      srs.BindInteger(2, system.id);
      srs.BindText(3, system.organization);
      srs.BindInteger(4, system.code);
      srs.BindText(5, system.definition);
      srs.BindText(6, system.description);
      srs.Run();
    }
    SqliteStatement& contents = archive_.Prepare(kInsertContents);
    const double values[] = {tools::LongitudeToMercatorX(bounds.West),
                             tools::LatitudeToMercatorY(bounds.South),
                             tools::LongitudeToMercatorX(bounds.East),
                             tools::LatitudeToMercatorY(bounds.North)};
    contents.BindText(1, info.Name);
    contents.BindText(2, info.Attribution);
    for (int i = 0; i < 4; ++i) {
      contents.BindReal(3 + i, values[i]);
    }
    contents.Run();
    SqliteStatement& matrixSet = archive_.Prepare(kInsertMatrixSet);
    const double world[] = {-kHalfWorld, -kHalfWorld, kHalfWorld, kHalfWorld};
    for (int i = 0; i < 4; ++i) {
      matrixSet.BindReal(1 + i, world[i]);
    }
    matrixSet.Run();
  });
}

void GeopackageWriter::AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) {
  if (tileWidth_ == 0) {
    const auto size = TileImageSize(data);
    tileWidth_ = size ? size->first : 256;
    tileHeight_ = size ? size->second : 256;
  }
  archive_.Write([&] {
    insertTile_.BindInteger(1, zoom);
    insertTile_.BindInteger(2, column);
    insertTile_.BindInteger(3, row);
    insertTile_.BindBlob(4, data);
    insertTile_.Run();
  });
  zooms_.insert(zoom);
  ++tiles_;
  archive_.TileWritten();
}

void GeopackageWriter::Commit() {
  SqliteStatement& matrix = archive_.Prepare(kInsertMatrix);
  archive_.Write([&] {
    for (const int32_t zoom : zooms_) {
      const int64_t side = int64_t{1} << zoom;
      matrix.BindInteger(1, zoom);
      matrix.BindInteger(2, side);
      matrix.BindInteger(3, tileWidth_);
      matrix.BindInteger(4, tileHeight_);
      matrix.BindReal(5, 2 * kHalfWorld / static_cast<double>(side * tileWidth_));
      matrix.BindReal(6, 2 * kHalfWorld / static_cast<double>(side * tileHeight_));
      matrix.Run();
    }
  });
  archive_.Commit();
}

}  // namespace kartovel
