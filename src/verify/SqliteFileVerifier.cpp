// An SQLite export verified: opened read-only, SQLite's integrity check, its tables told
// apart (MBTiles: metadata and tiles; GeoPackage: gpkg_contents and its tile tables;
// sqlitedb: info and tiles with an image column), then every tile decoded.
#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "imaging/TileBytesDecoder.h"
#include "verify/Verify.h"

namespace kartovel {

namespace {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement Prepare(sqlite3* db, const std::string& sql) {
  sqlite3_stmt* statement = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr);
  return Statement(statement);
}

bool HasTable(sqlite3* db, const std::string& name, const std::string& column = "") {
  const Statement query = Prepare(
      db, column.empty() ? "SELECT 1 FROM sqlite_master WHERE name = ?1"
                         : "SELECT 1 FROM pragma_table_info(?1) WHERE name = ?2");
  if (!query) {
    return false;
  }
  sqlite3_bind_text(query.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
  if (!column.empty()) {
    sqlite3_bind_text(query.get(), 2, column.c_str(), -1, SQLITE_TRANSIENT);
  }
  return sqlite3_step(query.get()) == SQLITE_ROW;
}

std::string Text(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

// The first answer of PRAGMA integrity_check; "ok" when whole.
std::string Integrity(sqlite3* db) {
  const Statement check = Prepare(db, "PRAGMA integrity_check");
  if (!check) {
    return sqlite3_errmsg(db);
  }
  const int step = sqlite3_step(check.get());
  return step == SQLITE_ROW ? Text(check.get(), 0) : sqlite3_errmsg(db);
}

// The queries giving zoom, column, row and image of every tile.
std::vector<std::string> TileQueries(sqlite3* db, VerifyReport& report) {
  if (HasTable(db, "gpkg_contents")) {
    report.Kind = "GeoPackage";
    std::vector<std::string> queries;
    const Statement tables = Prepare(
        db, "SELECT table_name FROM gpkg_contents WHERE data_type = 'tiles' ORDER BY table_name");
    while (tables && sqlite3_step(tables.get()) == SQLITE_ROW) {
      std::string table = Text(tables.get(), 0);
      std::string quoted;
      for (const char c : table) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
      }
      queries.push_back("SELECT zoom_level, tile_column, tile_row, tile_data FROM \"" + quoted +
                        "\"");
    }
    return queries;
  }
  if (HasTable(db, "info") && HasTable(db, "tiles", "image")) {
    report.Kind = "sqlitedb";
    return {"SELECT 17 - z, x, y, image FROM tiles"};
  }
  if (HasTable(db, "metadata") && HasTable(db, "tiles", "tile_data")) {
    report.Kind = "MBTiles";
    return {"SELECT zoom_level, tile_column, tile_row, tile_data FROM tiles"};
  }
  return {};
}

}  // namespace

void VerifySqliteFile(const std::string& fileName, VerifyReport& report, const VerifyStop& stop) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(fileName.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const std::unique_ptr<sqlite3, DbCloser> db(raw);
  report.Kind = "SQLite database";
  if (opened != SQLITE_OK) {
    report.Broken(std::string("SQLite cannot open it: ") + sqlite3_errstr(opened));
    return;
  }
  const std::string integrity = Integrity(db.get());
  if (integrity != "ok") {
    report.Broken("SQLite's integrity check: " + integrity);
    return;
  }
  const std::vector<std::string> queries = TileQueries(db.get(), report);
  if (queries.empty()) {
    report.Broken("an SQLite database with no tile table of MBTiles, GeoPackage or sqlitedb");
    return;
  }
  std::string why;
  for (const std::string& sql : queries) {
    const Statement tiles = Prepare(db.get(), sql);
    if (!tiles) {
      report.Broken(std::string("its tiles cannot be read: ") + sqlite3_errmsg(db.get()));
      return;
    }
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(tiles.get())) == SQLITE_ROW) {
      if (stop && stop()) {
        report.Stopped = true;
        return;
      }
      const auto zoom = static_cast<int32_t>(sqlite3_column_int(tiles.get(), 0));
      const void* data = sqlite3_column_blob(tiles.get(), 3);
      const std::string_view bytes(static_cast<const char*>(data),
                                   data ? static_cast<size_t>(sqlite3_column_bytes(tiles.get(), 3))
                                        : 0);
      if (tools::DecodeTileBytes(bytes, why)) {
        report.Present(zoom);
      } else {
        report.Damaged(zoom,
                       std::to_string(zoom) + "/" + Text(tiles.get(), 1) + "/" +
                           Text(tiles.get(), 2),
                       why);
      }
    }
    if (step != SQLITE_DONE) {
      report.Broken(std::string("reading its tiles failed: ") + sqlite3_errmsg(db.get()));
    }
  }
}

}  // namespace kartovel
