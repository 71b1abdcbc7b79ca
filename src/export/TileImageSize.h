// The pixel size a tile image's header states (PNG, JPEG or WebP), for the formats that
// record the tiles' size (GeoPackage's tile matrices).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace kartovel {

// Width and height; none when the bytes are no image header of the three kinds.
std::optional<std::pair<int32_t, int32_t>> TileImageSize(std::string_view bytes);

}  // namespace kartovel
