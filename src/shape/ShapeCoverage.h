// The tiles of a zoom that a shape covers: those whose square shares some of its area
// with the shape (a tile that only touches its outline shows none of it). Computed once,
// as spans of rows per column of the bounds, so Holds and the walk cost no geometry.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "geometry/TileCoverage.h"
#include "shape/Shape.h"

namespace kartovel {

struct RowSpan {
  int32_t FirstY = 0;
  int32_t LastY = 0;
};

class ShapeCoverage final : public TileCoverage {
 public:
  // bounds: the range the walk goes over (a task's range); without it, the tiles around
  // the shape. Covered tiles outside bounds are left out.
  ShapeCoverage(const Shape& shape, int32_t zoom, std::optional<TileRange> bounds = {});

  const TileRange& Bounds() const override { return bounds_; }
  bool Holds(int32_t x, int32_t y) const override;
  int64_t CoveredCount() const override { return count_; }
  void ForEachCovered(const std::function<bool(const TileId&)>& visit) const override;
  // The spans of covered rows in column x of the bounds, in order.
  std::vector<RowSpan> SpansOf(int32_t x) const;

 private:
  TileRange bounds_;
  std::vector<size_t> columnStart_;  // first span of each column; one more at the end
  std::vector<RowSpan> spans_;
  int64_t count_ = 0;
};

}  // namespace kartovel
