// Combines the tiles of a download task into one georeferenced image: the PNG mosaic,
// its world file (.pgw), its projection (.prj) and a text with its edges and the
// tiles that were missing.
#pragma once

#include <string>

#include "mosaic/MosaicLayout.h"
#include "mosaic/MosaicWriter.h"
#include "imaging/PngImage.h"
#include "tiles/TaskFiles.h"

namespace kartovel::tools {

// Tile size assumed when no tile of the list can be read.
inline constexpr int32_t kDefaultTileSide = 256;

struct MosaicOutputs {
  std::string png;
  std::string worldFile;   // same base, ".pgw"
  std::string projection;  // same base, ".prj"
  std::string report;      // same base, ".txt"
};

MosaicOutputs MosaicOutputsFor(const std::string& pngFile);

struct CombineResult {
  TaskSummary task;
  MosaicLayout layout;
  MosaicOutputs outputs;
  MosaicWriteOutcome mosaic;
};

// The whole combine run for a task file (or a tile list file). A cancelled run
// leaves no output files. Throws AppError with the text to show on failure.
CombineResult CombineTask(const std::string& taskPath, const std::string& pngFile,
                          const CombineHooks& hooks, const MosaicSettings& settings = {});

// The size of the first readable tile of the list that can set it (IsTileSizeOfAList), or
// kDefaultTileSide square.
ImageSize DetectTileSize(const std::vector<TileEntry>& tiles, const std::string& tileFolder);

}  // namespace kartovel::tools
