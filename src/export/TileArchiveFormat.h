// The export file formats, each chosen by the output file's extension, and the writer
// that makes a file of one.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "export/TileArchiveWriter.h"

namespace kartovel {

enum class TileArchiveFormat { Mbtiles, Pmtiles, Geopackage, Sqlitedb };

// The format an output file's name asks for (its extension, in any case); none for a
// name without one of them or one that is only the extension.
std::optional<TileArchiveFormat> ArchiveFormatOfFile(std::string_view fileName);

// ".mbtiles", ".pmtiles", ".gpkg" or ".sqlitedb".
std::string_view ExtensionOf(TileArchiveFormat format);

// ".mbtiles, .pmtiles, .gpkg or .sqlitedb": the names a refusal lists.
std::string ArchiveExtensionList();

// A writer of the format that writes targetFile. Throws "Cannot create file <target>"
// when it cannot begin.
std::unique_ptr<TileArchiveWriter> MakeArchiveWriter(TileArchiveFormat format,
                                                     const std::string& targetFile,
                                                     const TilesetInfo& info);

}  // namespace kartovel
