// The form of a tile's file name, prefix_x_y_zoom.extension, and the test whether a name
// found in a file is one of a given kind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kartovel {

// What the tile names of one task share. Without a zoom any zoom is of the kind.
struct TileNameKind {
  std::string Prefix;
  std::string Extension;  // without the dot
  std::optional<int32_t> Zoom;
};

// True when the name is Prefix + "_" + x + "_" + y + "_" + zoom + "." + Extension with
// plain 32-bit decimal integers written as the program writes them (no sign but a leading
// minus, no leading zeros).
bool IsTileName(std::string_view name, const TileNameKind& kind);

// The kind's names as a pattern for messages: "qn_<x>_<y>_13.png".
std::string TileNamePattern(const TileNameKind& kind);

}  // namespace kartovel
