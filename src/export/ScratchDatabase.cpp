// The scratch database: SQLite's temporary file, no journal, a bounded page cache.
#include "export/ScratchDatabase.h"

#include <utility>

namespace kartovel {

namespace {

// An empty file name asks SQLite for a private temporary database.
constexpr char kTemporaryDatabase[] = "";

constexpr char kScratchPragmas[] =
    "PRAGMA journal_mode=OFF;"
    "PRAGMA synchronous=OFF;"
    "PRAGMA locking_mode=EXCLUSIVE;";

}  // namespace

ScratchDatabase::ScratchDatabase(std::string failureText, const char* schema)
    : db_(kTemporaryDatabase, std::move(failureText)) {
  db_.Exec(kScratchPragmas);
  db_.Exec(("PRAGMA cache_size=-" + std::to_string(kCacheKilobytes)).c_str());
  db_.Exec(schema);
  db_.Exec("BEGIN");
}

SqliteStatement& ScratchDatabase::Prepare(const char* sql) {
  statements_.push_back(std::make_unique<SqliteStatement>(db_, sql));
  return *statements_.back();
}

}  // namespace kartovel
