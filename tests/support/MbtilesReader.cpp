// Reading an MBTiles file with SQLite's own interface, independently of the writer.
#include "support/MbtilesReader.h"

#include <sqlite3.h>

#include <memory>
#include <stdexcept>

namespace kartovel::testing {

namespace {

struct DbCloser {
  void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer {
  void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalizer>;

Statement Prepare(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
    throw std::runtime_error(std::string("cannot prepare: ") + sqlite3_errmsg(db));
  }
  return Statement(statement);
}

std::string Column(sqlite3_stmt* statement, int index) {
  const void* bytes = sqlite3_column_blob(statement, index);
  const int size = sqlite3_column_bytes(statement, index);
  return bytes ? std::string(static_cast<const char*>(bytes), static_cast<size_t>(size)) : "";
}

}  // namespace

MbtilesContent ReadMbtiles(const std::string& fileName) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(fileName.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const std::unique_ptr<sqlite3, DbCloser> db(raw);
  if (opened != SQLITE_OK) {
    throw std::runtime_error("cannot open " + fileName);
  }
  MbtilesContent content;
  Statement tiles =
      Prepare(db.get(), "SELECT zoom_level, tile_column, tile_row, tile_data FROM tiles");
  while (sqlite3_step(tiles.get()) == SQLITE_ROW) {
    content.Tiles[{sqlite3_column_int(tiles.get(), 0), sqlite3_column_int(tiles.get(), 1),
                   sqlite3_column_int(tiles.get(), 2)}] = Column(tiles.get(), 3);
  }
  Statement metadata = Prepare(db.get(), "SELECT name, value FROM metadata");
  while (sqlite3_step(metadata.get()) == SQLITE_ROW) {
    content.Metadata[Column(metadata.get(), 0)] = Column(metadata.get(), 1);
  }
  Statement kind = Prepare(db.get(), "SELECT type FROM sqlite_master WHERE name = 'tiles'");
  content.TilesKind = sqlite3_step(kind.get()) == SQLITE_ROW ? Column(kind.get(), 0) : "";
  const bool view = content.TilesKind == "view";
  Statement index = Prepare(db.get(), view ? "SELECT count(*) FROM pragma_index_list('map') WHERE "
                                             "\"unique\" = 1"
                                           : "SELECT count(*) FROM pragma_index_list('tiles') "
                                             "WHERE \"unique\" = 1");
  content.HasUniqueTileIndex =
      sqlite3_step(index.get()) == SQLITE_ROW && sqlite3_column_int(index.get(), 0) == 1;
  if (view) {
    Statement images = Prepare(db.get(), "SELECT count(*) FROM images");
    content.StoredImages =
        sqlite3_step(images.get()) == SQLITE_ROW ? sqlite3_column_int64(images.get(), 0) : -1;
  }
  Statement application = Prepare(db.get(), "PRAGMA application_id");
  content.ApplicationId = sqlite3_step(application.get()) == SQLITE_ROW
                              ? sqlite3_column_int64(application.get(), 0)
                              : 0;
  content.Integrity = SqliteIntegrity(fileName);
  return content;
}

std::vector<std::vector<std::string>> SqliteQuery(const std::string& fileName,
                                                  const std::string& sql) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(fileName.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const std::unique_ptr<sqlite3, DbCloser> db(raw);
  if (opened != SQLITE_OK) {
    throw std::runtime_error("cannot open " + fileName);
  }
  Statement query = Prepare(db.get(), sql.c_str());
  std::vector<std::vector<std::string>> rows;
  while (sqlite3_step(query.get()) == SQLITE_ROW) {
    std::vector<std::string>& row = rows.emplace_back();
    for (int i = 0; i < sqlite3_column_count(query.get()); ++i) {
      row.push_back(Column(query.get(), i));
    }
  }
  return rows;
}

std::string SqliteIntegrity(const std::string& fileName) {
  sqlite3* raw = nullptr;
  const int opened = sqlite3_open_v2(fileName.c_str(), &raw, SQLITE_OPEN_READONLY, nullptr);
  const std::unique_ptr<sqlite3, DbCloser> db(raw);
  if (opened != SQLITE_OK) {
    return "cannot open";
  }
  sqlite3_stmt* raw_statement = nullptr;
  if (sqlite3_prepare_v2(db.get(), "PRAGMA integrity_check", -1, &raw_statement, nullptr) !=
      SQLITE_OK) {
    return sqlite3_errmsg(db.get());
  }
  const Statement check(raw_statement);
  std::string answer;
  while (sqlite3_step(check.get()) == SQLITE_ROW) {
    answer += (answer.empty() ? "" : "\n") + Column(check.get(), 0);
  }
  return answer;
}

}  // namespace kartovel::testing
