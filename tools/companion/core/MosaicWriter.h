// Streams the tiles of a laid-out mosaic into one PNG, one row of tiles at a time:
// only that row is held in memory, whatever the mosaic's height.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/MosaicLayout.h"
#include "core/TileList.h"

namespace kartovel::tools {

struct CombineHooks {
  // Called after each tile with the number of tiles done and the total.
  std::function<void(int64_t done, int64_t total)> progress;
  // Polled before each tile; true abandons the run and leaves no output.
  std::function<bool()> cancelRequested;
};

// A tile of the list that is not in the mosaic; its place stays transparent.
struct MissingTile {
  std::string name;
  std::string reason;  // empty when the file does not exist, else why it was not used
};

struct MosaicWriteOutcome {
  bool cancelled = false;
  int64_t tileCount = 0;  // distinct tiles of the list
  std::vector<MissingTile> missing;
};

// Writes the mosaic of tiles (files in tileFolder) to pngFile. Tiles whose file is
// missing, unreadable or of another size than the layout's tiles are left
// transparent and reported. Throws AppError when the PNG cannot be written.
MosaicWriteOutcome WriteMosaic(const std::vector<TileEntry>& tiles, const MosaicLayout& layout,
                               const std::string& tileFolder, const std::string& pngFile,
                               const CombineHooks& hooks);

}  // namespace kartovel::tools
