// One tile of the Web-Mercator grid: its zoom, column and row. Ordered (zoom, then column,
// then row) and hashable, so it can key maps, sets and caches in every layer.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kartovel {

struct TileId {
  int32_t Zoom = 0;
  int32_t X = 0;
  int32_t Y = 0;

  auto operator<=>(const TileId&) const = default;
};

}  // namespace kartovel

template <>
struct std::hash<kartovel::TileId> {
  std::size_t operator()(const kartovel::TileId& tile) const noexcept {
    // Zoom needs 5 bits and a column or row at most 30: the three fit one 64-bit word
    // without collisions, and the multiplier spreads it over the buckets.
    const uint64_t packed = (uint64_t(uint32_t(tile.Zoom)) << 60) ^
                            (uint64_t(uint32_t(tile.X)) << 30) ^ uint64_t(uint32_t(tile.Y));
    return std::size_t(packed * 0x9E3779B97F4A7C15ULL);
  }
};
