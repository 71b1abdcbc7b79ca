// Extensions to formats, and formats to their writers.
#include "export/TileArchiveFormat.h"

#include <array>

#include "common/Paths.h"
#include "common/Text.h"
#include "export/GeopackageWriter.h"
#include "export/MbtilesWriter.h"
#include "export/PmtilesWriter.h"
#include "export/SqlitedbWriter.h"

namespace kartovel {

namespace {

constexpr std::array kFormats = {TileArchiveFormat::Mbtiles, TileArchiveFormat::Pmtiles,
                                 TileArchiveFormat::Geopackage, TileArchiveFormat::Sqlitedb};

}  // namespace

std::string_view ExtensionOf(TileArchiveFormat format) {
  switch (format) {
    case TileArchiveFormat::Mbtiles:
      return ".mbtiles";
    case TileArchiveFormat::Pmtiles:
      return ".pmtiles";
    case TileArchiveFormat::Geopackage:
      return ".gpkg";
    case TileArchiveFormat::Sqlitedb:
      return ".sqlitedb";
  }
  return ".mbtiles";
}

std::optional<TileArchiveFormat> ArchiveFormatOfFile(std::string_view fileName) {
  const std::string name = ExtractFileName(std::string(fileName));
  for (const TileArchiveFormat format : kFormats) {
    const std::string_view extension = ExtensionOf(format);
    if (name.size() > extension.size() &&
        EqualsIgnoringCase(std::string_view(name).substr(name.size() - extension.size()),
                           extension)) {
      return format;
    }
  }
  return std::nullopt;
}

std::string ArchiveExtensionList() {
  std::string list;
  for (size_t i = 0; i < kFormats.size(); ++i) {
    list += (i == 0 ? "" : i + 1 == kFormats.size() ? " or " : ", ");
    list += ExtensionOf(kFormats[i]);
  }
  return list;
}

std::unique_ptr<TileArchiveWriter> MakeArchiveWriter(TileArchiveFormat format,
                                                     const std::string& targetFile,
                                                     const TilesetInfo& info) {
  switch (format) {
    case TileArchiveFormat::Pmtiles:
      return std::make_unique<PmtilesWriter>(targetFile, info);
    case TileArchiveFormat::Geopackage:
      return std::make_unique<GeopackageWriter>(targetFile, info);
    case TileArchiveFormat::Sqlitedb:
      return std::make_unique<SqlitedbWriter>(targetFile, info);
    case TileArchiveFormat::Mbtiles:
      break;
  }
  return std::make_unique<MbtilesWriter>(targetFile, info);
}

}  // namespace kartovel
