// Bucket grid: cells the size of a tile, each listing the tiles that overlap it.
#include "tiles/TileIndex.h"

#include <algorithm>
#include <cmath>

namespace kartovel::tools {
namespace {

// Keeps the grid near one cell per tile even when tiles are scattered or uneven.
constexpr double kMaxCellsPerTile = 4;

}  // namespace

TileIndex::TileIndex(const std::vector<TileEntry>& tiles) {
  if (tiles.empty()) {
    return;
  }
  rects_.reserve(tiles.size());
  for (const TileEntry& tile : tiles) {
    rects_.push_back(TileMapRect(tile));
  }
  extent_ = rects_.front();
  for (const MapRect& rect : rects_) {
    extent_ = MapRect{std::min(extent_.west, rect.west), std::min(extent_.south, rect.south),
                      std::max(extent_.east, rect.east), std::max(extent_.north, rect.north)};
  }
  cellWidth_ = std::max(rects_.front().east - rects_.front().west, 1e-3);
  cellHeight_ = std::max(rects_.front().north - rects_.front().south, 1e-3);
  double spanColumns = (extent_.east - extent_.west) / cellWidth_;
  double spanRows = (extent_.north - extent_.south) / cellHeight_;
  double growth = std::sqrt(std::max(
      spanColumns * spanRows / (kMaxCellsPerTile * static_cast<double>(rects_.size())), 1.0));
  cellWidth_ *= growth;
  cellHeight_ *= growth;
  columns_ = static_cast<int64_t>(std::ceil(spanColumns / growth)) + 1;
  rows_ = static_cast<int64_t>(std::ceil(spanRows / growth)) + 1;
  cells_.resize(static_cast<size_t>(columns_ * rows_));
  for (size_t tile = 0; tile < rects_.size(); ++tile) {
    CellRange range = CellsOf(rects_[tile]);
    for (int64_t row = range.firstRow; row <= range.lastRow; ++row) {
      for (int64_t column = range.firstColumn; column <= range.lastColumn; ++column) {
        cells_[static_cast<size_t>(row * columns_ + column)].push_back(static_cast<uint32_t>(tile));
      }
    }
  }
}

TileIndex::CellRange TileIndex::CellsOf(const MapRect& area) const {
  auto column = [this](double x) {
    return std::clamp(static_cast<int64_t>(std::floor((x - extent_.west) / cellWidth_)), int64_t{0},
                      columns_ - 1);
  };
  auto row = [this](double y) {
    return std::clamp(static_cast<int64_t>(std::floor((y - extent_.south) / cellHeight_)),
                      int64_t{0}, rows_ - 1);
  };
  return CellRange{column(area.west), column(area.east), row(area.south), row(area.north)};
}

std::vector<size_t> TileIndex::Query(const MapRect& area) const {
  std::vector<size_t> found;
  if (rects_.empty() || !area.Intersects(extent_)) {
    return found;
  }
  CellRange range = CellsOf(area);
  for (int64_t row = range.firstRow; row <= range.lastRow; ++row) {
    for (int64_t column = range.firstColumn; column <= range.lastColumn; ++column) {
      for (uint32_t tile : Cell(column, row)) {
        if (rects_[tile].Intersects(area)) {
          found.push_back(tile);
        }
      }
    }
  }
  std::sort(found.begin(), found.end());
  found.erase(std::unique(found.begin(), found.end()), found.end());
  return found;
}

std::optional<size_t> TileIndex::TileAt(MapPoint point) const {
  if (rects_.empty()) {
    return std::nullopt;
  }
  CellRange range = CellsOf(MapRect{point.x, point.y, point.x, point.y});
  std::optional<size_t> first;
  for (uint32_t tile : Cell(range.firstColumn, range.firstRow)) {
    const MapRect& rect = rects_[tile];
    bool inside = rect.west <= point.x && point.x < rect.east && rect.south < point.y &&
                  point.y <= rect.north;
    if (inside && (!first || tile < *first)) {
      first = tile;
    }
  }
  return first;
}

}  // namespace kartovel::tools
