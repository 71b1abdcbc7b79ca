// Gzip compression through zlib, for the parts of an archive that readers expect
// gzip-compressed (the PMTiles directories and metadata).
#pragma once

#include <string>
#include <string_view>

namespace kartovel {

// The gzip stream of bytes. Throws AppError when zlib has no memory for it.
std::string GzipCompress(std::string_view bytes);

}  // namespace kartovel
