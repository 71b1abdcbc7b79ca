// A tile's place in a PMTiles archive: its position along the Hilbert curves of the
// zoom levels, one after the other from zoom 0 (zoom z's ids follow the 4^0 + ... +
// 4^(z-1) ids of the zooms above it). Ordering tiles by it keeps neighbours together.
#pragma once

#include <cstdint>

namespace kartovel {

// zoom 0 to 31, column and row inside the grid of the zoom (row 0 at the north).
uint64_t PmtilesTileId(int32_t zoom, uint32_t column, uint32_t row);

}  // namespace kartovel
