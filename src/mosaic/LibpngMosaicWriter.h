// The plain one-thread mosaic writer: every tile decoded by libpng into RGBA and copied
// into its band, every band written row by row through libpng. The faster writer is
// measured against it and must give the same pixels.
#pragma once

#include <string>
#include <vector>

#include "mosaic/MosaicWriter.h"

namespace kartovel::tools {

MosaicWriteOutcome WriteMosaicWithLibpng(const std::vector<TileEntry>& tiles,
                                         const MosaicLayout& layout, const std::string& tileFolder,
                                         const std::string& pngFile, const CombineHooks& hooks,
                                         int compressionLevel);

}  // namespace kartovel::tools
