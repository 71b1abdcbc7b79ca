// The SQLite export file: schema, batches and the end.
#include "export/SqliteArchive.h"

namespace kartovel {

namespace {

// The temporary file is discarded on any failure, so SQLite keeps no rollback journal
// and does not sync; Commit syncs the finished file once.
constexpr char kWritingPragmas[] =
    "PRAGMA page_size=65536;"
    "PRAGMA journal_mode=OFF;"
    "PRAGMA synchronous=OFF;"
    "PRAGMA locking_mode=EXCLUSIVE;";

}  // namespace

SqliteArchive::SqliteArchive(const std::string& targetFile, const char* schema)
    : temp_(targetFile) {
  try {
    Guarded([&] {
      db_ = std::make_unique<SqliteDatabase>(temp_.Name(), "Cannot write file " + targetFile);
      db_->Exec(kWritingPragmas);
      db_->Exec(schema);
    });
  } catch (...) {
    Release();
    throw;
  }
}

SqliteArchive::~SqliteArchive() { Release(); }

void SqliteArchive::Release() {
  statements_.clear();
  db_.reset();
}

SqliteStatement& SqliteArchive::Prepare(const char* sql) {
  Guarded([&] { statements_.push_back(std::make_unique<SqliteStatement>(*db_, sql)); });
  return *statements_.back();
}

void SqliteArchive::BeginBatchIfNeeded() {
  if (!inTransaction_) {
    db_->Exec("BEGIN");
    inTransaction_ = true;
    tilesInBatch_ = 0;
  }
}

void SqliteArchive::TileWritten() {
  if (++tilesInBatch_ >= kTilesPerTransaction) {
    Guarded([this] { db_->Exec("COMMIT"); });
    inTransaction_ = false;
  }
}

void SqliteArchive::Commit() {
  Guarded([this] {
    if (inTransaction_) {
      db_->Exec("COMMIT");
      inTransaction_ = false;
    }
    statements_.clear();
    db_->Close();
    db_.reset();
  });
  temp_.PutInPlace();
}

}  // namespace kartovel
