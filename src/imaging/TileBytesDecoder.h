// Decoding a tile image held in memory (a tile read out of an archive), of any of the
// kinds tiles come in, told apart by their first bytes; what verify asks of each tile.
#pragma once

#include <string>
#include <string_view>

namespace kartovel::tools {

// True when the bytes are a PNG, JPEG or WebP image that decodes to its end; else false
// with the reason in error.
bool DecodeTileBytes(std::string_view bytes, std::string& error);

}  // namespace kartovel::tools
