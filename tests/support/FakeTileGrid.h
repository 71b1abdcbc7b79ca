// The standard tile grid's edges and the downloader's tile file names, made here
// independently of the code under test, for tests that need tiles but no files.
#pragma once

#include <cmath>
#include <cstdint>
#include <numbers>
#include <string>

namespace kartovel::testing {

// Edges of the standard tile grid, computed here independently of the downloader.
inline double FakeTileLongitude(int32_t x, int32_t zoom) {
  return x * 360.0 / std::ldexp(1.0, zoom) - 180.0;
}
inline double FakeTileLatitude(int32_t y, int32_t zoom) {
  return std::atan(std::sinh(std::numbers::pi * (1 - 2.0 * y / std::ldexp(1.0, zoom)))) * 180.0 /
         std::numbers::pi;
}

inline std::string FakeTileName(int32_t x, int32_t y, int32_t zoom,
                                const std::string& extension = "png") {
  return "qn_" + std::to_string(x) + "_" + std::to_string(y) + "_" + std::to_string(zoom) + "." +
         extension;
}

}  // namespace kartovel::testing
