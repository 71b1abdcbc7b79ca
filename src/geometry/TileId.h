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
    // A column and a row fill 60 bits; the zoom (5 bits more) cannot be packed beside
    // them without losing bits, so it is spread over the word by its own multiplier and
    // the whole is mixed (splitmix64's finaliser) to spread it over the buckets.
    uint64_t h = ((uint64_t(uint32_t(tile.X)) << 30) | uint64_t(uint32_t(tile.Y))) ^
                 (uint64_t(uint32_t(tile.Zoom)) * 0x9E3779B97F4A7C15ULL);
    h = (h ^ (h >> 30)) * 0xBF58476D1CE4E5B9ULL;
    h = (h ^ (h >> 27)) * 0x94D049BB133111EBULL;
    return std::size_t(h ^ (h >> 31));
  }
};
