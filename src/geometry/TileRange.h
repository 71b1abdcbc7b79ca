// The columns and rows of one zoom that a task walks, with the walk's order: columns
// outer from MinX to MaxX, rows inner from MinY to MaxY. Counts are 64-bit because a
// range may hold more tiles than one task may.
#pragma once

#include <cstdint>

#include "geometry/TileId.h"

namespace kartovel {

struct TileRange {
  int32_t Zoom = 0;
  int32_t MinX = 0;
  int32_t MaxX = 0;
  int32_t MinY = 0;
  int32_t MaxY = 0;

  int64_t Columns() const { return int64_t{MaxX} - MinX + 1; }
  int64_t Rows() const { return int64_t{MaxY} - MinY + 1; }
  int64_t Count() const { return Columns() * Rows(); }
  bool Contains(int32_t x, int32_t y) const {
    return x >= MinX && x <= MaxX && y >= MinY && y <= MaxY;
  }
  bool Contains(const TileId& tile) const { return tile.Zoom == Zoom && Contains(tile.X, tile.Y); }
  // The 1-based serial number of (x, y) in the walk; the tile must be in the range.
  int64_t SerialOf(int32_t x, int32_t y) const {
    return (int64_t{x} - MinX) * Rows() + (int64_t{y} - MinY) + 1;
  }
  // The tile at a 1-based serial number of the walk (1 .. Count()).
  TileId AtSerial(int64_t serial) const {
    const int64_t offset = serial - 1;
    return TileId{Zoom, int32_t(MinX + offset / Rows()), int32_t(MinY + offset % Rows())};
  }
  bool operator==(const TileRange&) const = default;
};

}  // namespace kartovel
