// The task's memory of what the tile service said about each tile it sent: the entity tag,
// the time of the last change, the expiry and when the tile was fetched, so that a later
// refresh asks only whether a tile changed. One small SQLite file beside the task file.
//
// Workers note entries from their threads as they store tiles; the notes are kept in
// memory and written in one transaction by Commit, which the run calls just before each
// save of the worker positions: an entry on disk never covers a tile a kill could still
// take, and a position never runs ahead of its entries by more than one save.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "download/TileValidators.h"
#include "geometry/TileId.h"

struct sqlite3;

namespace kartovel {

// The index of the task file taskFilePath: its whole name + ".validators". The task's
// own files are the task file, base + "_list.txt", "_log.txt", "_failed.ftl" and the
// tile folder base + "/": a name that keeps the ".qtsk" and adds to it can never be one
// of those nor be listed where task files are chosen, and it moves along with its task.
std::string ValidatorIndexFileName(const std::string& taskFilePath);

struct IndexedTile {
  TileId Tile;
  TileValidators Validators;
  int64_t FetchedAt = 0;  // seconds since 1970 (UTC)
};

class TileValidatorIndex {
 public:
  // Opens the index at fileName, or makes it. One that cannot be read, fails its
  // integrity check or belongs to another task (its identity differs) is replaced by an
  // empty one, and RebuildReason() says why. Throws AppError "Cannot create file %s"
  // only when no index can be made there at all.
  TileValidatorIndex(std::string fileName, std::string taskIdentity);
  ~TileValidatorIndex();
  TileValidatorIndex(const TileValidatorIndex&) = delete;
  TileValidatorIndex& operator=(const TileValidatorIndex&) = delete;

  const std::string& FileName() const { return fileName_; }
  // One sentence for the log when the file found was replaced; empty otherwise.
  const std::string& RebuildReason() const { return rebuildReason_; }

  // Thread-safe. A later note of the same tile replaces an earlier one.
  void Note(const IndexedTile& entry);
  // Writes the notes made so far in one durable transaction. False when the write failed
  // (FailureText() says why); the notes are then kept for the next Commit. Thread-safe.
  bool Commit();
  const std::string& FailureText() const { return failureText_; }

  // The committed entry of a tile.
  std::optional<IndexedTile> Find(const TileId& tile) const;
  // Every committed entry.
  std::vector<IndexedTile> Entries() const;

 private:
  struct Closer {
    void operator()(sqlite3* db) const;
  };
  using Connection = std::unique_ptr<sqlite3, Closer>;

  // The reason the file at fileName_ cannot be used as it is; empty when it can.
  std::string Unusable();
  void Create();
  void Exec(const char* sql);

  std::string fileName_;
  std::string identity_;
  std::string rebuildReason_;
  std::string failureText_;
  Connection db_;
  mutable std::mutex mutex_;
  std::vector<IndexedTile> pending_;
};

}  // namespace kartovel
