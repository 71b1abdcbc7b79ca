// Encodes an 8-bit RGB raster as PNG bytes in memory (libpng).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kartovel::tileserver {

struct RgbImage {
  int Width = 0;
  int Height = 0;
  std::vector<uint8_t> Pixels;  // Width * Height * 3 bytes, rows top to bottom
};

// Throws std::runtime_error when libpng reports an error.
std::string EncodePng(const RgbImage& image);

}  // namespace kartovel::tileserver
