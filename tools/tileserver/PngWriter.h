// Encodes an 8-bit RGB raster as PNG bytes in memory.
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

// Throws std::runtime_error when the raster does not match its size.
std::string EncodePng(const RgbImage& image);

}  // namespace kartovel::tileserver
