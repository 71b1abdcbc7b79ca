// The MBTiles file writer: schema, deduplicated inserts, rows flipped to the TMS order.
#include "export/MbtilesWriter.h"

namespace kartovel {

namespace {

// The application id is the number assigned to MBTiles ("MPBX"), by which tools
// recognise the file.
constexpr char kSchema[] =
    "PRAGMA application_id=1297105496;"
    "CREATE TABLE metadata (name text, value text);"
    "CREATE UNIQUE INDEX name ON metadata (name);"
    "CREATE TABLE images (tile_id integer primary key, tile_data blob);"
    "CREATE TABLE map (zoom_level integer, tile_column integer, tile_row integer,"
    " tile_id integer);"
    "CREATE UNIQUE INDEX map_index ON map (zoom_level, tile_column, tile_row);"
    "CREATE VIEW tiles AS SELECT map.zoom_level AS zoom_level,"
    " map.tile_column AS tile_column, map.tile_row AS tile_row,"
    " images.tile_data AS tile_data FROM map JOIN images ON images.tile_id = map.tile_id;";

constexpr char kInsertMap[] =
    "INSERT OR REPLACE INTO map (zoom_level, tile_column, tile_row, tile_id)"
    " VALUES (?1, ?2, ?3, ?4)";
constexpr char kInsertImage[] = "INSERT INTO images (tile_id, tile_data) VALUES (?1, ?2)";
constexpr char kSelectImage[] = "SELECT tile_data FROM images WHERE tile_id = ?1";
constexpr char kInsertMetadata[] = "INSERT OR REPLACE INTO metadata (name, value) VALUES (?1, ?2)";

}  // namespace

MbtilesWriter::MbtilesWriter(const std::string& targetFile, const TilesetInfo& info)
    : archive_(targetFile, kSchema),
      insertMap_(archive_.Prepare(kInsertMap)),
      insertImage_(archive_.Prepare(kInsertImage)),
      selectImage_(archive_.Prepare(kSelectImage)),
      contents_("Cannot write file " + targetFile) {
  SqliteStatement& insertMetadata = archive_.Prepare(kInsertMetadata);
  for (const auto& [name, value] : info.MbtilesRows) {
    archive_.Write([&] {
      insertMetadata.BindText(1, name);
      insertMetadata.BindText(2, value);
      insertMetadata.Run();
    });
  }
}

int64_t MbtilesWriter::StoredContentId(std::string_view data) {
  const auto stored = contents_.Find(data, [&](int64_t id) {
    selectImage_.BindInteger(1, id);
    return selectImage_.FirstColumnEquals(data);
  });
  if (stored) {
    return *stored;
  }
  const int64_t id = contents_.Count() + 1;
  insertImage_.BindInteger(1, id);
  insertImage_.BindBlob(2, data);
  insertImage_.Run();
  contents_.Add(data, id);
  return id;
}

void MbtilesWriter::AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) {
  const int64_t tmsRow = (int64_t{1} << zoom) - 1 - row;
  archive_.Write([&] {
    const int64_t id = StoredContentId(data);
    insertMap_.BindInteger(1, zoom);
    insertMap_.BindInteger(2, column);
    insertMap_.BindInteger(3, tmsRow);
    insertMap_.BindInteger(4, id);
    insertMap_.Run();
  });
  ++tiles_;
  archive_.TileWritten();
}

void MbtilesWriter::Commit() { archive_.Commit(); }

}  // namespace kartovel
