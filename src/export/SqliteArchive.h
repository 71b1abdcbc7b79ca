// An export file that is an SQLite database: the temporary file with the schema, the
// statements its writer prepares, one transaction per batch of tiles, and the close,
// sync and rename at the end. Every failure becomes ExportWriteError naming the target
// and, when the disk is at fault, the system's reason.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/ArchiveTempFile.h"
#include "export/Sqlite.h"

namespace kartovel {

class SqliteArchive {
 public:
  // Tiles per transaction: large enough that commits cost little, small enough that the
  // pages of one batch stay in SQLite's cache.
  static constexpr int kTilesPerTransaction = 2000;

  // Creates the temporary database and runs the schema on it.
  SqliteArchive(const std::string& targetFile, const char* schema);
  ~SqliteArchive();
  SqliteArchive(const SqliteArchive&) = delete;
  SqliteArchive& operator=(const SqliteArchive&) = delete;

  // A statement that lives as long as the database.
  SqliteStatement& Prepare(const char* sql);
  SqliteDatabase& Database() { return *db_; }

  // Runs a step of writing inside the current batch's transaction.
  template <typename Step>
  void Write(Step&& step) {
    Guarded([&] {
      BeginBatchIfNeeded();
      step();
    });
  }
  // Counts a tile towards the batch; the batch is committed when it is full.
  void TileWritten();
  // Ends the last transaction, closes the database and puts the file in place.
  void Commit();

 private:
  template <typename Step>
  void Guarded(Step&& step) {
    try {
      step();
    } catch (const ExportWriteError&) {
      throw;
    } catch (const AppError& error) {
      const int failure = temp_.WriteFailureAtEnd();
      throw ExportWriteError(failure != 0 ? CannotWriteFile(temp_.Target(), failure).what()
                                          : error.what());
    }
  }
  void BeginBatchIfNeeded();
  void Release();

  ArchiveTempFile temp_;
  std::unique_ptr<SqliteDatabase> db_;
  std::vector<std::unique_ptr<SqliteStatement>> statements_;
  int tilesInBatch_ = 0;
  bool inTransaction_ = false;
};

}  // namespace kartovel
