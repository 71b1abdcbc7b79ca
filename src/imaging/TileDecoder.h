// Decoding one tile file straight into its place in the mosaic's band. One decoder serves
// one thread: it keeps its buffers from tile to tile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "imaging/PngImage.h"

namespace kartovel::tools {

// Largest tile side that a list's tile size is taken from: map tiles are a few hundred
// pixels a side, and a tile file claiming more is no tile of the list.
inline constexpr int32_t kMaxTileSide = 4096;

// True when a tile of this size can set a list's tile size (no side beyond kMaxTileSide).
inline bool IsTileSizeOfAList(int32_t width, int32_t height) {
  return width <= kMaxTileSide && height <= kMaxTileSide;
}

// Where a tile's pixels go: its upper-left pixel in the band and the band's row length.
struct TileTarget {
  uint8_t* origin = nullptr;
  size_t rowStride = 0;
  ImageSize size;          // the layout's tile size; a tile of another size is not placed
  bool withAlpha = false;  // 4 bytes a pixel (RGBA), else 3 (RGB)
};

enum class TileOutcome {
  kPlaced,
  kFailed,       // not placed; TileResult::error says why
  kTransparent,  // the target has no alpha channel and the tile has pixels that are not opaque
};

struct TileResult {
  TileOutcome outcome = TileOutcome::kPlaced;
  std::string error;
};

// Copies a decoded RGBA tile of the target's size (rows packed, 4 bytes a pixel) into the
// target: as it is, or as RGB when the target has no alpha channel, where a pixel that is
// not opaque makes the tile kTransparent.
TileResult PlaceRgbaPixels(const uint8_t* rgba, const TileTarget& target);

class TileDecoder {
 public:
  virtual ~TileDecoder() = default;

  // Width and height from the file's header; empty when it is not an image of the kind.
  virtual std::optional<ImageSize> ReadSize(const std::string& fileName) = 0;

  // True only when the file's header promises a tile of that size whose pixels are all
  // opaque; reads as little of the file as it can.
  virtual bool PromisesOpaque(const std::string& fileName, ImageSize size) = 0;

  // Decodes the file into the target. Pixels of a tile that was not placed may have been
  // written over.
  virtual TileResult Decode(const std::string& fileName, const TileTarget& target) = 0;
};

}  // namespace kartovel::tools
