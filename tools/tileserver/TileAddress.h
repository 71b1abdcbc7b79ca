// Reads the tile service's request target into the tile's column, row and zoom as the
// downloader numbers them (row 0 at the northern edge), from the service's numbering
// (row counted from the equator, zoom plus one).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "geometry/TileId.h"

namespace kartovel::tileserver {

constexpr int kMaxZoom = 24;  // deeper grids have columns too long to label

// "/hx/tl?v=4.3&r=1&x=..&y=..&z=.." or the XYZ form "/{z}/{x}/{y}.png" (row counted from
// the north), either also as an absolute URI. No value when the path differs, a
// coordinate is missing or not an integer, or the tile lies off the grid.
std::optional<TileId> ParseTileTarget(std::string_view target);

}  // namespace kartovel::tileserver
