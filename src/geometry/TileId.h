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

namespace kartovel::detail {
// A bijection of 64-bit words that spreads neighbouring inputs over the whole word.
constexpr uint64_t MixBits(uint64_t value) {
  value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
  value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
  return value ^ (value >> 31);
}
}  // namespace kartovel::detail

template <>
struct std::hash<kartovel::TileId> {
  std::size_t operator()(const kartovel::TileId& tile) const noexcept {
    // Column and row fill one 64-bit word exactly, and the mix is a bijection, so two
    // tiles of one zoom never share a hash. The zoom is added before a second mix: zoom,
    // column and row take 65 bits or more, so no packing into one word can keep every
    // pair of zooms apart, but the mix makes a collision as rare as a random one.
    using kartovel::detail::MixBits;
    const uint64_t columnAndRow = (uint64_t(uint32_t(tile.X)) << 32) | uint64_t(uint32_t(tile.Y));
    return std::size_t(MixBits(MixBits(columnAndRow) + uint64_t(uint32_t(tile.Zoom))));
  }
};
