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
  Statement index =
      Prepare(db.get(), "SELECT count(*) FROM pragma_index_list('tiles') WHERE \"unique\" = 1");
  content.HasUniqueTileIndex =
      sqlite3_step(index.get()) == SQLITE_ROW && sqlite3_column_int(index.get(), 0) == 1;
  return content;
}

}  // namespace kartovel::testing
