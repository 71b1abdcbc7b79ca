// Writes one MBTiles 1.3 file: the metadata table, and the tiles with identical ones
// stored once (table images holds each content once, table map places it, and the view
// tiles joins them as readers expect). Everything goes to a temporary file beside the
// target, in one transaction per batch of tiles; Commit renames it over the target.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "export/SqliteArchive.h"
#include "export/TileArchiveWriter.h"
#include "export/TileContentIndex.h"

namespace kartovel {

class MbtilesWriter final : public TileArchiveWriter {
 public:
  // Removes the temporaries that an interrupted writer of the target left, then creates
  // the temporary file, the schema and the metadata. Throws "Cannot create file <target>"
  // when the temporary cannot be made, and ExportWriteError "Cannot write file <target>: "
  // + the cause when a later step fails (as every other method does).
  MbtilesWriter(const std::string& targetFile, const TilesetInfo& info);

  void AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) override;
  void Commit() override;
  ArchiveStats Stats() const override { return {tiles_, contents_.Count()}; }

 private:
  int64_t StoredContentId(std::string_view data);

  SqliteArchive archive_;
  SqliteStatement& insertMap_;
  SqliteStatement& insertImage_;
  SqliteStatement& selectImage_;
  TileContentIndex contents_;
  int64_t tiles_ = 0;
};

}  // namespace kartovel
