// The JPEG tile decoder: libjpeg-turbo decodes a tile's rows straight into the band, as
// RGB or as RGBA with opaque alpha. A JPEG has no transparency, so every tile is opaque;
// a file libjpeg finds damaged (cut short, corrupt data) is a failure, not a grey patch.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/TileDecoder.h"

namespace kartovel::tools {

class JpegTileDecoder final : public TileDecoder {
 public:
  std::optional<ImageSize> ReadSize(const std::string& fileName) override;
  bool PromisesOpaque(const std::string& fileName, ImageSize size) override;
  TileResult Decode(const std::string& fileName, const TileTarget& target) override;

 private:
  std::vector<uint8_t> file_;
};

}  // namespace kartovel::tools
