// Where each tile of a list lands in the mosaic image: the grid of the range's columns
// and rows (taken from the tiles' names), its pixel size and its edges in degrees.
#pragma once

#include <cstdint>
#include <vector>

#include "geometry/TileRange.h"
#include "tiles/TileList.h"

namespace kartovel::tools {

// Largest mosaic side; libpng refuses wider or taller images by default.
inline constexpr int64_t kMaxMosaicSide = 1000000;

// The mosaic is written one row of tiles (a band) at a time, each pixel 4 bytes, and a
// band is held in memory whole; a band may take up to this much. A mosaic of the widest
// side with 256-pixel tiles fits.
inline constexpr int64_t kMosaicBytesPerPixel = 4;
inline constexpr int64_t kMaxBandBytes = int64_t{1} << 30;


struct PixelOffset {
  int64_t left = 0;
  int64_t top = 0;
};

struct MosaicLayout {
  // The columns and rows of the tiles at their zoom.
  TileRange Range;
  // True when row numbers grow southward (row Range.MinY is the top of the image).
  bool northOrigin = true;
  int32_t tileWidth = 0;
  int32_t tileHeight = 0;
  // Outer edges of the mosaic in degrees.
  double west = 0;
  double east = 0;
  double north = 0;
  double south = 0;

  // Counts and sizes in 64 bits: the rows -2147483648 and 2147483647 make 2^32 rows.
  int64_t Columns() const { return Range.Columns(); }
  int64_t Rows() const { return Range.Rows(); }
  int64_t Width() const { return Columns() * tileWidth; }
  int64_t Height() const { return Rows() * tileHeight; }
  // Row of tiles counted from the top of the image.
  int64_t BandOf(int32_t y) const {
    return northOrigin ? int64_t{y} - Range.MinY : int64_t{Range.MaxY} - y;
  }
  // Upper-left pixel of a tile in the mosaic.
  PixelOffset OffsetOf(int32_t x, int32_t y) const {
    return {(int64_t{x} - Range.MinX) * tileWidth, BandOf(y) * tileHeight};
  }
};

// Lays out the tiles of a list with tiles of the given pixel size. The row direction
// is read from the tiles' north edges. Throws AppError when the list is empty.
MosaicLayout LayoutMosaic(const std::vector<TileEntry>& tiles, int32_t tileWidth,
                          int32_t tileHeight);

// Throws AppError with the reason when the mosaic cannot be made: a side beyond
// kMaxMosaicSide, or a band beyond kMaxBandBytes. Every size of the layout fits the
// memory of this computer once it passes.
void RefuseUnworkableMosaic(const MosaicLayout& layout);


// Indexes into tiles, grouped by row of tiles from the top of the image and sorted by
// column within each row; tiles listed twice appear once.
std::vector<std::vector<size_t>> TilesByBand(const std::vector<TileEntry>& tiles,
                                             const MosaicLayout& layout);

}  // namespace kartovel::tools
