// Whether a mosaic is so large, or so empty, that its writing is asked for first: a
// hand-made list of two far-apart tiles lays out a PNG of a trillion pixels.
#pragma once

#include <cstdint>
#include <string>

#include "mosaic/MosaicLayout.h"

namespace kartovel::tools {

// Beyond this many pixels a mosaic is asked for.
inline constexpr int64_t kLargeMosaicPixels = 1'000'000'000;
// A mosaic whose tiles cover at most this share of its area is asked for.
inline constexpr double kSparseMosaicCoverage = 0.01;

// The figures of a mosaic to ask about ("The mosaic would be 999936 x 999936 pixels
// (999872 megapixels), of which 2 tiles cover 1.31e-05 %."); empty when it is neither
// larger than kLargeMosaicPixels nor covered at most kSparseMosaicCoverage by tileCount tiles.
std::string LargeMosaicFigures(const MosaicLayout& layout, int64_t tileCount);

}  // namespace kartovel::tools
