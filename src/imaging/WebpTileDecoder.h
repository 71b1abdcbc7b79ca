// The WebP tile decoder: libwebp decodes a tile without alpha straight into the band's
// rows; a tile with alpha goes through a buffer of its own, so that a target without an
// alpha channel learns when the tile is not opaque.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "imaging/TileDecoder.h"

namespace kartovel::tools {

class WebpTileDecoder final : public TileDecoder {
 public:
  std::optional<ImageSize> ReadSize(const std::string& fileName) override;
  bool PromisesOpaque(const std::string& fileName, ImageSize size) override;
  TileResult Decode(const std::string& fileName, const TileTarget& target) override;

 private:
  std::vector<uint8_t> file_;
  std::vector<uint8_t> rgba_;  // a tile with alpha, before it is placed
};

// Decodes WebP bytes held in memory (a map source's tile) into image as RGBA; false when
// they are no WebP image or its data is damaged.
bool DecodeWebpImage(std::span<const uint8_t> bytes, RgbaImage& image);

}  // namespace kartovel::tools
