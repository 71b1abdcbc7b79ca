// Gzip compression and its inverse through zlib, for the parts of an archive that readers expect
// gzip-compressed (the PMTiles directories and metadata).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

// The gzip stream of bytes. Throws AppError when zlib has no memory for it.
std::string GzipCompress(std::string_view bytes);

// The bytes a gzip or zlib stream inflates to; none when it is damaged, cut short or
// would inflate to more than limit bytes.
std::optional<std::string> GzipDecompress(std::string_view compressed, size_t limit);

}  // namespace kartovel
