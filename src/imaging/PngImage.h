// Reading PNG images with libpng into 8-bit RGBA pixels, whatever their colour type.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kartovel::tools {

struct RgbaImage {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> pixels;  // rows top to bottom, 4 bytes per pixel

  RgbaImage() = default;
  RgbaImage(int32_t imageWidth, int32_t imageHeight)
      : width(imageWidth),
        height(imageHeight),
        pixels(static_cast<size_t>(imageWidth) * static_cast<size_t>(imageHeight) * 4) {}
};

struct ImageSize {
  int32_t width = 0;
  int32_t height = 0;
};

// Width and height from the PNG header; empty when the file is missing or not a PNG.
std::optional<ImageSize> ReadPngSize(const std::string& fileName);

// Decodes a whole PNG into image (reusing its buffer). On failure returns false and
// puts the reason into error. With an expected size, an image of another size is a
// failure found before any pixel is decoded.
bool DecodePng(const std::string& fileName, RgbaImage& image, std::string& error,
               std::optional<ImageSize> expected = std::nullopt);

}  // namespace kartovel::tools
