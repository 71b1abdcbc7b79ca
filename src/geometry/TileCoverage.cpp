// The walk over a coverage's bounds that every kind shares unless it knows a faster way.
#include "geometry/TileCoverage.h"

namespace kartovel {

int64_t TileCoverage::CoveredCount() const {
  int64_t count = 0;
  ForEachCovered([&count](const TileId&) {
    ++count;
    return true;
  });
  return count;
}

void TileCoverage::ForEachCovered(const std::function<bool(const TileId&)>& visit) const {
  const TileRange& range = Bounds();
  for (int32_t x = range.MinX; x <= range.MaxX; ++x) {
    for (int32_t y = range.MinY; y <= range.MaxY; ++y) {
      if (Holds(x, y) && !visit(TileId{range.Zoom, x, y})) return;
    }
  }
}

}  // namespace kartovel
