// The Hilbert tile id: the ids of the zooms above, then the distance along this zoom's
// curve, found one quadrant level at a time from the largest.
#include "export/PmtilesTileId.h"

#include <utility>

namespace kartovel {

uint64_t PmtilesTileId(int32_t zoom, uint32_t column, uint32_t row) {
  const uint64_t side = uint64_t{1} << zoom;
  const uint64_t idsAbove = ((side * side) - 1) / 3;  // (4^zoom - 1) / 3
  uint64_t x = column;
  uint64_t y = row;
  uint64_t distance = 0;
  for (uint64_t half = side / 2; half > 0; half /= 2) {
    const uint64_t right = (x & half) != 0 ? 1 : 0;
    const uint64_t lower = (y & half) != 0 ? 1 : 0;
    distance += half * half * ((3 * right) ^ lower);
    // Turn the quadrant so that its curve starts where the whole one does.
    if (lower == 0) {
      if (right == 1) {
        x = side - 1 - x;
        y = side - 1 - y;
      }
      std::swap(x, y);
    }
  }
  return idsAbove + distance;
}

}  // namespace kartovel
