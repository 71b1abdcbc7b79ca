// The share covered is the tiles' cells over the grid's cells, so it needs no tile read.
#include "mosaic/LargeMosaic.h"

#include <algorithm>
#include <cstdio>

namespace kartovel::tools {

std::string LargeMosaicFigures(const MosaicLayout& layout, int64_t tileCount) {
  const int64_t pixels = layout.Width() * layout.Height();
  const int64_t cells = layout.Columns() * layout.Rows();
  const double coverage =
      cells > 0 ? static_cast<double>(std::min(tileCount, cells)) / static_cast<double>(cells) : 0;
  if (pixels <= kLargeMosaicPixels && coverage > kSparseMosaicCoverage) {
    return {};
  }
  char percent[32];
  std::snprintf(percent, sizeof percent, "%.3g", coverage * 100);
  return "The mosaic would be " + std::to_string(layout.Width()) + " x " +
         std::to_string(layout.Height()) + " pixels (" + std::to_string(pixels / 1'000'000) +
         " megapixels), of which " + std::to_string(tileCount) +
         (tileCount == 1 ? " tile covers " : " tiles cover ") + percent + " %.";
}

}  // namespace kartovel::tools
