// Why a tile of the list is not in the mosaic, in the words of the mosaic's report.
#pragma once

#include <string>

#include "imaging/PngImage.h"
#include "imaging/TileDecoders.h"
#include "mosaic/MosaicWriter.h"
#include "tiles/TileList.h"

namespace kartovel::tools {

// The tile whose decoding failed with decoderError: absent (no reason), no regular file
// of the folder (what it is), of another size than the mosaic's tiles, or unreadable.
MissingTile DescribeMissingTile(const TileEntry& tile, const std::string& tileFolder,
                                ImageSize tileSize, TileDecoders& decoders,
                                std::string decoderError);

// True when the name may be decoded: it names a file inside the tile folder.
bool MayDecode(const TileEntry& tile);

}  // namespace kartovel::tools
