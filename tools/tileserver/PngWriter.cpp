// The demo tiles go through the program's one PNG writer (imaging/PngEncoder).
#include "tileserver/PngWriter.h"

#include <stdexcept>

#include "imaging/PngEncoder.h"

namespace kartovel::tileserver {

std::string EncodePng(const RgbImage& image) {
  if (image.Width <= 0 || image.Height <= 0 ||
      image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 3) {
    throw std::runtime_error("PNG encoding failed: raster size mismatch");
  }
  return tools::EncodePng(static_cast<uint32_t>(image.Width), static_cast<uint32_t>(image.Height),
                          false, image.Pixels);
}

}  // namespace kartovel::tileserver
