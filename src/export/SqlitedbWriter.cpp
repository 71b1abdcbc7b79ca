// The sqlitedb tables, the info row and the tiles.
#include "export/SqlitedbWriter.h"

namespace kartovel {

namespace {

constexpr char kSchema[] =
    "CREATE TABLE tiles (x int, y int, z int, s int, image blob, PRIMARY KEY (x, y, z, s));"
    "CREATE TABLE info (minzoom int, maxzoom int, tilenumbering text, url text, referer text,"
    " useragent text, timecolumn text);"
    "CREATE TABLE android_metadata (locale text);"
    "INSERT INTO android_metadata VALUES ('en_US');";

constexpr char kInsertInfo[] =
    "INSERT INTO info (minzoom, maxzoom, tilenumbering, url, referer, useragent, timecolumn)"
    " VALUES (?1, ?2, 'BigPlanet', ?3, ?4, ?5, 'no')";
constexpr char kInsertTile[] =
    "INSERT OR REPLACE INTO tiles (x, y, z, s, image) VALUES (?1, ?2, ?3, 0, ?4)";

}  // namespace

std::string SqlitedbUrlTemplate(std::string_view urlTemplate) {
  std::string out;
  for (size_t at = 0; at < urlTemplate.size();) {
    const std::string_view rest = urlTemplate.substr(at);
    const char* field = rest.starts_with("{z}")   ? "{0}"
                        : rest.starts_with("{x}") ? "{1}"
                        : rest.starts_with("{y}") ? "{2}"
                                                  : nullptr;
    if (field != nullptr) {
      out += field;
      at += 3;
    } else {
      out += urlTemplate[at++];
    }
  }
  return out;
}

SqlitedbWriter::SqlitedbWriter(const std::string& targetFile, const TilesetInfo& info)
    : archive_(targetFile, kSchema), insertTile_(archive_.Prepare(kInsertTile)) {
  SqliteStatement& insertInfo = archive_.Prepare(kInsertInfo);
  archive_.Write([&] {
    // The numbering runs backwards, so the highest zoom gives the lowest number.
    insertInfo.BindInteger(1, SqlitedbZoom(info.MaxZoom));
    insertInfo.BindInteger(2, SqlitedbZoom(info.MinZoom));
    const std::string url = SqlitedbUrlTemplate(info.UrlTemplate);
    insertInfo.BindText(3, url);
    insertInfo.BindText(4, info.Referer);
    insertInfo.BindText(5, info.UserAgent);
    insertInfo.Run();
  });
}

void SqlitedbWriter::AddTile(int32_t zoom, int32_t column, int32_t row, std::string_view data) {
  archive_.Write([&] {
    insertTile_.BindInteger(1, column);
    insertTile_.BindInteger(2, row);
    insertTile_.BindInteger(3, SqlitedbZoom(zoom));
    insertTile_.BindBlob(4, data);
    insertTile_.Run();
  });
  ++tiles_;
  archive_.TileWritten();
}

}  // namespace kartovel
