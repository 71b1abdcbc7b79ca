// Writes one PMTiles (version 3) archive: tiles in tile-id order so that the archive is
// clustered, identical tiles stored once and consecutive ids of one content as one
// run-length entry, a root directory (with leaves when needed) and the metadata JSON
// gzip-compressed. Tiles arrive in any order: their bytes wait in an unnamed scratch
// file (gone with the process however it ends) and only their ids and places stay in
// memory, 16 bytes a tile; Commit writes the archive to a temporary file beside the
// target and renames it over the target.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/ArchiveTempFile.h"
#include "export/TileArchiveWriter.h"
#include "export/TileContentIndex.h"

namespace kartovel {

class PmtilesWriter final : public TileArchiveWriter {
 public:
  // Throws "Cannot create file <target>" when the temporary cannot be made.
  PmtilesWriter(const std::string& targetFile, const TilesetInfo& info);
  ~PmtilesWriter() override;
  PmtilesWriter(const PmtilesWriter&) = delete;
  PmtilesWriter& operator=(const PmtilesWriter&) = delete;

  void AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) override;
  void Commit() override;
  ArchiveStats Stats() const override {
    return {tiles_, static_cast<int64_t>(contents_.size())};
  }

 private:
  struct Content {
    uint64_t ScratchOffset = 0;
    uint32_t Length = 0;
  };
  struct Placed {
    uint64_t TileId = 0;
    uint32_t Content = 0;
  };

  uint32_t StoredContent(std::string_view data);
  bool ScratchEquals(const Content& content, std::string_view data);
  void ReadScratch(uint64_t offset, uint32_t length, std::string& out);
  void FlushScratch();
  [[noreturn]] void FailWrite(int systemError) const;

  TilesetInfo info_;
  ArchiveTempFile temp_;
  int scratch_ = -1;
  std::string scratchBuffer_;  // bytes after scratchFlushed_
  uint64_t scratchFlushed_ = 0;
  std::vector<Content> contents_;
  std::vector<Placed> placed_;
  TileContentIndex index_;
  std::string compared_;
  int64_t tiles_ = 0;
  int32_t minZoom_ = 31;
  int32_t maxZoom_ = 0;
};

}  // namespace kartovel
