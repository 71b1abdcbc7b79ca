// Where each tile of a list lands in the mosaic image: the grid of the range's columns
// and rows (taken from the tiles' names), its pixel size and its edges in degrees.
#pragma once

#include <cstdint>
#include <vector>

#include "core/TileList.h"

namespace kartovel::tools {

struct PixelOffset {
  int64_t left = 0;
  int64_t top = 0;
};

struct MosaicLayout {
  int32_t minX = 0;
  int32_t maxX = 0;
  int32_t minY = 0;
  int32_t maxY = 0;
  int32_t zoom = 0;
  // True when row numbers grow southward (row minY is the top of the image).
  bool northOrigin = true;
  int32_t tileWidth = 0;
  int32_t tileHeight = 0;
  // Outer edges of the mosaic in degrees.
  double west = 0;
  double east = 0;
  double north = 0;
  double south = 0;

  int32_t Columns() const { return maxX - minX + 1; }
  int32_t Rows() const { return maxY - minY + 1; }
  int64_t Width() const { return int64_t{Columns()} * tileWidth; }
  int64_t Height() const { return int64_t{Rows()} * tileHeight; }
  // Row of tiles counted from the top of the image.
  int32_t BandOf(int32_t y) const { return northOrigin ? y - minY : maxY - y; }
  // Upper-left pixel of a tile in the mosaic.
  PixelOffset OffsetOf(int32_t x, int32_t y) const {
    return {int64_t{x - minX} * tileWidth, int64_t{BandOf(y)} * tileHeight};
  }
};

// Lays out the tiles of a list with tiles of the given pixel size. The row direction
// is read from the tiles' north edges. Throws AppError when the list is empty.
MosaicLayout LayoutMosaic(const std::vector<TileEntry>& tiles, int32_t tileWidth,
                          int32_t tileHeight);

// Indexes into tiles, grouped by row of tiles from the top of the image and sorted by
// column within each row; tiles listed twice appear once.
std::vector<std::vector<size_t>> TilesByBand(const std::vector<TileEntry>& tiles,
                                             const MosaicLayout& layout);

}  // namespace kartovel::tools
