// Placing a tile that a library decoded into a buffer of its own into the mosaic's band.
#include "imaging/TileDecoder.h"

#include <cstring>

namespace kartovel::tools {

TileResult PlaceRgbaPixels(const uint8_t* rgba, const TileTarget& target) {
  constexpr uint8_t kOpaque = 255;
  const auto width = static_cast<size_t>(target.size.width);
  for (size_t y = 0; y < static_cast<size_t>(target.size.height); ++y) {
    const uint8_t* from = rgba + y * width * 4;
    uint8_t* to = target.origin + y * target.rowStride;
    if (target.withAlpha) {
      std::memcpy(to, from, width * 4);
      continue;
    }
    for (size_t x = 0; x < width; ++x, from += 4, to += 3) {
      if (from[3] != kOpaque) {
        return {TileOutcome::kTransparent, {}};
      }
      std::memcpy(to, from, 3);
    }
  }
  return {};
}

}  // namespace kartovel::tools
