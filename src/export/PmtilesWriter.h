// Writes one PMTiles (version 3) archive: tiles in tile-id order so that the archive is
// clustered, identical tiles stored once and consecutive ids of one content as one
// run-length entry, a root directory (with leaves when needed) and the metadata JSON
// gzip-compressed. Tiles arrive in any order: their bytes wait in an unnamed scratch
// file (gone with the process however it ends), and what is known of them (each
// content's place in that file, each tile's id and content, the directory entries) in a
// scratch database, so the memory taken is the same whatever the tile count. Commit
// writes the archive to a temporary file beside the target and renames it over the
// target.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "common/FileDescriptor.h"
#include "export/ArchiveTempFile.h"
#include "export/ScratchDatabase.h"
#include "export/TileArchiveWriter.h"
#include "export/TileContentIndex.h"

namespace kartovel {

// What the header counts of the archive's tiles.
struct PmtilesCounts {
  uint64_t Addressed = 0;
  uint64_t Entries = 0;
  uint64_t Contents = 0;
  uint64_t DataLength = 0;
};

class PmtilesWriter final : public TileArchiveWriter {
 public:
  // Throws "Cannot create file <target>" when the temporary cannot be made.
  PmtilesWriter(const std::string& targetFile, const TilesetInfo& info);
  PmtilesWriter(const PmtilesWriter&) = delete;
  PmtilesWriter& operator=(const PmtilesWriter&) = delete;

  void AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) override;
  void Commit() override;
  ArchiveStats Stats() const override { return {tiles_, index_.Count()}; }

 private:
  int64_t StoredContent(std::string_view data);
  bool ScratchEquals(int64_t content, std::string_view data);
  void ReadScratch(uint64_t offset, uint64_t length, std::string& out);
  void AppendScratch(std::string_view bytes);
  void FlushScratch();
  PmtilesCounts PlaceTiles();
  std::string BuildDirectoriesIntoScratch(uint64_t entries);
  bool CopyScratch(uint64_t offset, uint64_t length,
                   const std::function<bool(std::string_view)>& out);
  [[noreturn]] void FailWrite(int systemError) const;

  TilesetInfo info_;
  ArchiveTempFile temp_;
  FileDescriptor scratch_{-1};
  std::string scratchBuffer_;  // bytes after scratchFlushed_
  uint64_t scratchFlushed_ = 0;
  TileContentIndex index_;
  ScratchDatabase places_;
  SqliteStatement& insertContent_;
  SqliteStatement& selectContent_;
  SqliteStatement& insertPlace_;
  std::string compared_;
  int64_t tiles_ = 0;
  int32_t minZoom_ = 31;
  int32_t maxZoom_ = 0;
};

}  // namespace kartovel
