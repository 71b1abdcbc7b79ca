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
    // Column and row fill one 64-bit word; the zoom (5 bits) cannot join them without
    // overlap, so it is mixed in by a multiplier and the whole spread by a splitmix finish.
    uint64_t key = (uint64_t(uint32_t(tile.X)) << 32) | uint32_t(tile.Y);
    key ^= uint64_t(uint32_t(tile.Zoom)) * 0x9E3779B97F4A7C15ULL;
    key = (key ^ (key >> 30)) * 0xBF58476D1CE4E5B9ULL;
    key = (key ^ (key >> 27)) * 0x94D049BB133111EBULL;
    return std::size_t(key ^ (key >> 31));
  }
};
