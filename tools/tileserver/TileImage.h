// Draws the demo service's tile: a light map-like background with a grid border and the
// tile's column, row and zoom written on it, so a user can tell every tile apart.
#pragma once

#include "tileserver/PngWriter.h"
#include "tileserver/TileAddress.h"

namespace kartovel::tileserver {

constexpr int kTileSize = 256;

RgbImage RenderTile(const TileId& tile);

// The same tile, PNG-encoded.
std::string RenderTilePng(const TileId& tile);

}  // namespace kartovel::tileserver
