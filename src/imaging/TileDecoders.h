// The tile decoders of one decoding thread, chosen by the tile file's extension.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "imaging/TileDecoder.h"

namespace kartovel::tools {

class TileDecoders {
 public:
  TileDecoders();

  // The decoder for the file's extension (compared without case). A name with an
  // extension of no other format goes to the PNG decoder: libpng tells a PNG by its
  // content and words the error of anything else.
  TileDecoder& For(const std::string& fileName);

 private:
  std::vector<std::pair<std::string, std::unique_ptr<TileDecoder>>> byExtension_;
};

// Decodes a whole tile of any kind into image as RGBA; false with the reason in error. A
// header claiming more than kMaxTileSide a side is not believed.
bool DecodeTileImage(TileDecoders& decoders, const std::string& fileName, RgbaImage& image,
                     std::string& error);

}  // namespace kartovel::tools
