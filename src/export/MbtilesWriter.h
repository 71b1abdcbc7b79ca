// Writes one MBTiles 1.3 file: the metadata table and the tiles table with its unique
// index. Everything goes to a temporary file beside the target, in one transaction per
// batch of tiles; Commit syncs it and renames it over the target, so a failed or
// abandoned export leaves the target as it was.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "common/Error.h"
#include "export/Sqlite.h"

namespace kartovel {

// An export that failed after its file was begun (a full disk, a lost folder): the text
// names the file and the cause. Nothing is left of it; the target stays as it was.
class ExportWriteError : public AppError {
 public:
  using AppError::AppError;
};

class MbtilesWriter {
 public:
  // Tiles per transaction: large enough that commits cost little, small enough that the
  // pages of one batch stay in SQLite's cache.
  static constexpr int kTilesPerTransaction = 2000;

  // Removes the temporaries that an interrupted writer of the target left, then creates
  // the temporary file and the schema. Throws "Cannot create file <target>" when the
  // temporary cannot be made, and ExportWriteError "Cannot write file <target>: " + the
  // cause when a later step fails (as every other method does).
  explicit MbtilesWriter(std::string targetFile);
  // Without Commit the temporary file is removed.
  ~MbtilesWriter();
  MbtilesWriter(const MbtilesWriter&) = delete;
  MbtilesWriter& operator=(const MbtilesWriter&) = delete;

  void AddMetadata(std::string_view name, std::string_view value);
  // tmsRow counts from the south edge of the grid. A tile already written is replaced.
  void AddTile(int32_t zoom, int32_t column, int32_t tmsRow, std::string_view data);
  // Ends the last transaction, closes, syncs and renames over the target.
  void Commit();

 private:
  void BeginBatchIfNeeded();
  // Runs a step of SQLite work; a failure becomes ExportWriteError with the system's
  // reason when a write at the end of the temporary shows one.
  template <typename Step>
  void Guarded(Step&& step);

  std::string targetFile_;
  std::string tempFile_;
  std::unique_ptr<SqliteDatabase> db_;
  std::unique_ptr<SqliteStatement> insertTile_;
  std::unique_ptr<SqliteStatement> insertMetadata_;
  int tilesInBatch_ = 0;
  bool inTransaction_ = false;
  bool committed_ = false;
};

}  // namespace kartovel
