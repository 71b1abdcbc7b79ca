// The reason is looked for only once a tile has failed, so a tile that decodes costs
// nothing more.
#include "mosaic/MissingTileReason.h"

#include "common/FileSystem.h"
#include "tiles/TileFileReader.h"

namespace kartovel::tools {
namespace {

std::string SizeText(ImageSize size) {
  return std::to_string(size.width) + " x " + std::to_string(size.height);
}

}  // namespace

bool MayDecode(const TileEntry& tile) {
  return IsNameInFolder(tile.name);
}

MissingTile DescribeMissingTile(const TileEntry& tile, const std::string& tileFolder,
                                ImageSize tileSize, TileDecoders& decoders,
                                std::string decoderError) {
  std::string notATile = WhyNotATileFile(tileFolder, tile.name);
  if (!notATile.empty()) {
    return MissingTile{tile.name, std::move(notATile), {}};
  }
  const std::string path = tileFolder + tile.name;
  if (!FileExists(path)) {
    return MissingTile{tile.name, {}, {}};
  }
  const std::optional<ImageSize> size = decoders.For(tile.name).ReadSize(path);
  if (size && (size->width != tileSize.width || size->height != tileSize.height)) {
    return MissingTile{tile.name, std::move(decoderError),
                       "is " + SizeText(*size) + " pixels, not " + SizeText(tileSize) + "; left out"};
  }
  return MissingTile{tile.name, std::move(decoderError), {}};
}

}  // namespace kartovel::tools
