// Which tiles of a zoom an area covers. The walk always goes over Bounds() in the range's
// order, so serial numbers, the workers' shares and saved positions mean the same for
// every kind of area; a kind only says which positions of that walk it holds.
#pragma once

#include <cstdint>
#include <functional>

#include "geometry/TileId.h"
#include "geometry/TileRange.h"

namespace kartovel {

class TileCoverage {
 public:
  virtual ~TileCoverage() = default;

  // The range the walk goes over: every covered tile lies in it.
  virtual const TileRange& Bounds() const = 0;
  // Whether the area holds tile (x, y) of the bounds' zoom.
  virtual bool Holds(int32_t x, int32_t y) const = 0;
  // The number of tiles the area holds.
  virtual int64_t CoveredCount() const;
  // Calls visit with each held tile in walk order, until visit returns false.
  virtual void ForEachCovered(const std::function<bool(const TileId&)>& visit) const;
};

// The rectangle's coverage: every tile of its range.
class RectangleCoverage final : public TileCoverage {
 public:
  explicit RectangleCoverage(const TileRange& range) : range_(range) {}

  const TileRange& Bounds() const override { return range_; }
  bool Holds(int32_t x, int32_t y) const override { return range_.Contains(x, y); }
  int64_t CoveredCount() const override { return range_.Count(); }

 private:
  TileRange range_;
};

}  // namespace kartovel
