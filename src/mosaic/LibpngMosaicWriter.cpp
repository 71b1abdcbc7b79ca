// Band-by-band assembly: a band is one row of tiles, the full mosaic width and one
// tile high. Each tile is decoded into a reused buffer and copied into its band.
#include "mosaic/LibpngMosaicWriter.h"

#include <algorithm>
#include <cstring>
#include <optional>

#include "mosaic/MissingTileReason.h"
#include "imaging/PngImage.h"
#include "mosaic/PngStreamWriter.h"

namespace kartovel::tools {
namespace {

constexpr size_t kBytesPerPixel = 4;

class BandAssembler {
 public:
  BandAssembler(const MosaicLayout& layout, const std::string& tileFolder)
      : layout_(layout),
        tileFolder_(tileFolder),
        rowBytes_(static_cast<size_t>(layout.Width()) * kBytesPerPixel),
        band_(rowBytes_ * static_cast<size_t>(layout.tileHeight)) {}

  void Clear() { std::fill(band_.begin(), band_.end(), uint8_t{0}); }

  // Copies one tile into the band; an empty result means it was placed.
  std::optional<MissingTile> Place(const TileEntry& tile) {
    std::string error;
    std::string path = tileFolder_ + tile.name;
    const ImageSize tileSize{layout_.tileWidth, layout_.tileHeight};
    if (!MayDecode(tile) || !DecodePng(path, tile_, error, tileSize)) {
      return DescribeMissingTile(tile, tileFolder_, tileSize, decoders_, std::move(error));
    }
    const size_t tileRowBytes = static_cast<size_t>(layout_.tileWidth) * kBytesPerPixel;
    const size_t left =
        static_cast<size_t>(layout_.OffsetOf(tile.Tile.X, tile.Tile.Y).left) * kBytesPerPixel;
    for (size_t row = 0; row < static_cast<size_t>(layout_.tileHeight); ++row) {
      std::memcpy(band_.data() + row * rowBytes_ + left, tile_.pixels.data() + row * tileRowBytes,
                  tileRowBytes);
    }
    return std::nullopt;
  }

  void WriteTo(PngStreamWriter& writer) const {
    for (size_t row = 0; row < static_cast<size_t>(layout_.tileHeight); ++row) {
      writer.WriteRow(band_.data() + row * rowBytes_);
    }
  }

 private:
  const MosaicLayout& layout_;
  const std::string& tileFolder_;
  size_t rowBytes_;
  std::vector<uint8_t> band_;
  RgbaImage tile_;
  TileDecoders decoders_;  // for the size of a tile that failed
};

}  // namespace

MosaicWriteOutcome WriteMosaicWithLibpng(const std::vector<TileEntry>& tiles,
                                         const MosaicLayout& layout, const std::string& tileFolder,
                                         const std::string& pngFile, const CombineHooks& hooks,
                                         int compressionLevel) {
  std::vector<std::vector<size_t>> bands = TilesByBand(tiles, layout);
  MosaicWriteOutcome outcome;
  for (const std::vector<size_t>& band : bands) {
    outcome.tileCount += static_cast<int64_t>(band.size());
  }
  PngStreamWriter writer(pngFile, static_cast<uint32_t>(layout.Width()),
                         static_cast<uint32_t>(layout.Height()), compressionLevel);
  BandAssembler assembler(layout, tileFolder);
  int64_t done = 0;
  for (const std::vector<size_t>& band : bands) {
    assembler.Clear();
    for (size_t index : band) {
      if (CancelRequested(hooks)) {
        outcome.cancelled = true;
        return outcome;
      }
      if (std::optional<MissingTile> missing = assembler.Place(tiles[index])) {
        outcome.missing.push_back(std::move(*missing));
      }
      if (hooks.progress) {
        hooks.progress(++done, outcome.tileCount);
      }
    }
    assembler.WriteTo(writer);
  }
  writer.Finish();
  return outcome;
}

}  // namespace kartovel::tools
