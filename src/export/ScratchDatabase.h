// A private SQLite database for an export's working tables (which contents are stored,
// where each tile goes), so that they live on disk instead of growing in memory with the
// tile count: SQLite keeps at most kCacheKilobytes of its pages in memory, the same for
// ten thousand tiles as for ten million. Its file is SQLite's own temporary, deleted when
// the database closes, however the export ends. Nothing in it has to survive a failure,
// so it keeps no journal, never syncs, and all of its work is one open transaction.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/Sqlite.h"

namespace kartovel {

class ScratchDatabase {
 public:
  static constexpr int kCacheKilobytes = 2048;

  // Creates the tables of schema. failureText begins every failure's message, for
  // example "Cannot write file <target>".
  ScratchDatabase(std::string failureText, const char* schema);

  // A statement that lives as long as the database.
  SqliteStatement& Prepare(const char* sql);

 private:
  SqliteDatabase db_;
  std::vector<std::unique_ptr<SqliteStatement>> statements_;
};

}  // namespace kartovel
