// A bucket grid over the map plane that finds the tiles in a view without looking at
// every tile, so that panning over a task of 100,000 tiles stays cheap.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/MapView.h"
#include "tiles/TileList.h"

namespace kartovel::tools {

class TileIndex {
 public:
  TileIndex() = default;
  explicit TileIndex(const std::vector<TileEntry>& tiles);

  size_t Size() const { return rects_.size(); }
  bool Empty() const { return rects_.empty(); }
  // The rectangle enclosing every tile.
  const MapRect& Extent() const { return extent_; }
  const MapRect& RectOf(size_t tile) const { return rects_[tile]; }
  // Width and height of the grid's cells: the size of the first tile.
  double CellWidth() const { return cellWidth_; }
  double CellHeight() const { return cellHeight_; }

  // Indexes of the tiles that overlap area, ascending, each once.
  std::vector<size_t> Query(const MapRect& area) const;
  // The tile under a point (the first in list order when tiles overlap).
  std::optional<size_t> TileAt(MapPoint point) const;

 private:
  struct CellRange {
    int64_t firstColumn, lastColumn, firstRow, lastRow;
  };
  CellRange CellsOf(const MapRect& area) const;
  const std::vector<uint32_t>& Cell(int64_t column, int64_t row) const {
    return cells_[static_cast<size_t>(row * columns_ + column)];
  }

  std::vector<MapRect> rects_;
  MapRect extent_;
  double cellWidth_ = 1;
  double cellHeight_ = 1;
  int64_t columns_ = 0;
  int64_t rows_ = 0;
  std::vector<std::vector<uint32_t>> cells_;
};

}  // namespace kartovel::tools
