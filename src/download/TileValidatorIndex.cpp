// The validator index as an SQLite file: a table naming its task and a table of tiles.
#include "download/TileValidatorIndex.h"

#include <sqlite3.h>

#include <cstdio>
#include <utility>

#include "common/Error.h"

namespace kartovel {
namespace {

// Raised when the layout changes; an index of another layout is rebuilt.
constexpr const char* kLayoutVersion = "1";

constexpr const char* kCreateTables =
    "CREATE TABLE task (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
    "CREATE TABLE tiles (zoom INTEGER NOT NULL, x INTEGER NOT NULL, y INTEGER NOT NULL,"
    " etag TEXT, last_modified INTEGER, expires INTEGER, fetched INTEGER NOT NULL,"
    " PRIMARY KEY (zoom, x, y)) WITHOUT ROWID;";

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK) {
      sqlite3_finalize(statement_);
      statement_ = nullptr;
    }
  }
  ~Statement() { sqlite3_finalize(statement_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool Ready() const { return statement_ != nullptr; }
  sqlite3_stmt* operator*() const { return statement_; }
  bool Step() { return sqlite3_step(statement_) == SQLITE_ROW; }
  bool Done() { return sqlite3_step(statement_) == SQLITE_DONE; }

 private:
  sqlite3_stmt* statement_ = nullptr;
};

std::string ColumnText(sqlite3_stmt* statement, int column) {
  const unsigned char* text = sqlite3_column_text(statement, column);
  return text ? reinterpret_cast<const char*>(text) : "";
}

std::optional<int64_t> ColumnTime(sqlite3_stmt* statement, int column) {
  if (sqlite3_column_type(statement, column) == SQLITE_NULL) {
    return std::nullopt;
  }
  return sqlite3_column_int64(statement, column);
}

IndexedTile EntryOf(sqlite3_stmt* row) {
  IndexedTile entry;
  entry.Tile = {sqlite3_column_int(row, 0), sqlite3_column_int(row, 1), sqlite3_column_int(row, 2)};
  entry.Validators.ETag = ColumnText(row, 3);
  entry.Validators.LastModified = ColumnTime(row, 4);
  entry.Validators.Expires = ColumnTime(row, 5);
  entry.FetchedAt = sqlite3_column_int64(row, 6);
  return entry;
}

void BindTime(sqlite3_stmt* statement, int index, const std::optional<int64_t>& time) {
  if (time) {
    sqlite3_bind_int64(statement, index, *time);
  } else {
    sqlite3_bind_null(statement, index);
  }
}

std::optional<std::string> TaskValue(sqlite3* db, const char* key) {
  Statement query(db, "SELECT value FROM task WHERE key = ?");
  if (!query.Ready()) {
    return std::nullopt;
  }
  sqlite3_bind_text(*query, 1, key, -1, SQLITE_TRANSIENT);
  if (!query.Step()) {
    return std::nullopt;
  }
  return ColumnText(*query, 0);
}

}  // namespace

std::string ValidatorIndexFileName(const std::string& taskFilePath) {
  return taskFilePath + ".validators";
}

void TileValidatorIndex::Closer::operator()(sqlite3* db) const {
  sqlite3_close(db);
}

TileValidatorIndex::TileValidatorIndex(std::string fileName, std::string taskIdentity)
    : fileName_(std::move(fileName)), identity_(std::move(taskIdentity)) {
  const std::string reason = Unusable();
  if (reason.empty()) {
    return;
  }
  if (reason != "absent") {
    rebuildReason_ = "The tile index " + fileName_ + " " + reason + "; it is made again from nothing.";
  }
  db_.reset();
  std::remove(fileName_.c_str());
  std::remove((fileName_ + "-journal").c_str());
  Create();
}

TileValidatorIndex::~TileValidatorIndex() = default;

std::string TileValidatorIndex::Unusable() {
  sqlite3* handle = nullptr;
  const int opened = sqlite3_open_v2(fileName_.c_str(), &handle, SQLITE_OPEN_READWRITE, nullptr);
  db_.reset(handle);
  if (opened == SQLITE_CANTOPEN) {
    return "absent";
  }
  if (opened != SQLITE_OK) {
    return "cannot be read";
  }
  sqlite3_busy_timeout(db_.get(), 2000);
  Statement check(db_.get(), "PRAGMA quick_check");
  if (!check.Ready() || !check.Step() || ColumnText(*check, 0) != "ok") {
    return "is damaged";
  }
  if (TaskValue(db_.get(), "layout") != kLayoutVersion) {
    return "is not one this program wrote";
  }
  if (TaskValue(db_.get(), "identity") != identity_) {
    return "belongs to another task";
  }
  Statement tiles(db_.get(), "SELECT zoom, x, y, etag, last_modified, expires, fetched FROM tiles LIMIT 1");
  if (!tiles.Ready()) {
    return "is damaged";
  }
  return "";
}

void TileValidatorIndex::Create() {
  sqlite3* handle = nullptr;
  const int opened = sqlite3_open_v2(fileName_.c_str(), &handle,
                                     SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
  db_.reset(handle);
  if (opened != SQLITE_OK) {
    throw CannotCreateFile(fileName_);
  }
  sqlite3_busy_timeout(db_.get(), 2000);
  Exec("BEGIN");
  Exec(kCreateTables);
  Statement insert(db_.get(), "INSERT INTO task (key, value) VALUES ('layout', ?), ('identity', ?)");
  if (!insert.Ready()) {
    throw CannotCreateFile(fileName_);
  }
  sqlite3_bind_text(*insert, 1, kLayoutVersion, -1, SQLITE_STATIC);
  sqlite3_bind_text(*insert, 2, identity_.c_str(), -1, SQLITE_STATIC);
  if (!insert.Done()) {
    throw CannotCreateFile(fileName_);
  }
  Exec("COMMIT");
}

void TileValidatorIndex::Exec(const char* sql) {
  if (sqlite3_exec(db_.get(), sql, nullptr, nullptr, nullptr) != SQLITE_OK) {
    throw AppError(std::string(CannotCreateFile(fileName_).what()) + ": " + sqlite3_errmsg(db_.get()));
  }
}

void TileValidatorIndex::Note(const IndexedTile& entry) {
  std::lock_guard lock(mutex_);
  pending_.push_back(entry);
}

bool TileValidatorIndex::Commit() {
  std::lock_guard lock(mutex_);
  if (pending_.empty()) {
    return true;
  }
  try {
    Exec("BEGIN IMMEDIATE");
    Statement upsert(db_.get(),
                     "INSERT OR REPLACE INTO tiles (zoom, x, y, etag, last_modified, expires, fetched)"
                     " VALUES (?, ?, ?, ?, ?, ?, ?)");
    bool written = upsert.Ready();
    for (const IndexedTile& entry : pending_) {
      if (!written) {
        break;
      }
      sqlite3_stmt* row = *upsert;
      sqlite3_bind_int(row, 1, entry.Tile.Zoom);
      sqlite3_bind_int(row, 2, entry.Tile.X);
      sqlite3_bind_int(row, 3, entry.Tile.Y);
      if (entry.Validators.ETag.empty()) {
        sqlite3_bind_null(row, 4);
      } else {
        sqlite3_bind_text(row, 4, entry.Validators.ETag.c_str(), -1, SQLITE_STATIC);
      }
      BindTime(row, 5, entry.Validators.LastModified);
      BindTime(row, 6, entry.Validators.Expires);
      sqlite3_bind_int64(row, 7, entry.FetchedAt);
      written = upsert.Done();
      sqlite3_reset(row);
    }
    if (!written) {
      const std::string reason = sqlite3_errmsg(db_.get());
      sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
      throw AppError(std::string(CannotCreateFile(fileName_).what()) + ": " + reason);
    }
    Exec("COMMIT");
  } catch (const AppError& error) {
    sqlite3_exec(db_.get(), "ROLLBACK", nullptr, nullptr, nullptr);
    failureText_ = error.what();
    return false;
  }
  pending_.clear();
  return true;
}

std::optional<IndexedTile> TileValidatorIndex::Find(const TileId& tile) const {
  std::lock_guard lock(mutex_);
  Statement query(db_.get(),
                  "SELECT zoom, x, y, etag, last_modified, expires, fetched FROM tiles"
                  " WHERE zoom = ? AND x = ? AND y = ?");
  if (!query.Ready()) {
    return std::nullopt;
  }
  sqlite3_bind_int(*query, 1, tile.Zoom);
  sqlite3_bind_int(*query, 2, tile.X);
  sqlite3_bind_int(*query, 3, tile.Y);
  if (!query.Step()) {
    return std::nullopt;
  }
  return EntryOf(*query);
}

std::vector<IndexedTile> TileValidatorIndex::Entries() const {
  std::lock_guard lock(mutex_);
  std::vector<IndexedTile> entries;
  Statement query(db_.get(), "SELECT zoom, x, y, etag, last_modified, expires, fetched FROM tiles");
  while (query.Ready() && query.Step()) {
    entries.push_back(EntryOf(*query));
  }
  return entries;
}

}  // namespace kartovel
