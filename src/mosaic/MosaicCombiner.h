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
  // png + ".aux.xml": GDAL's auxiliary file, where GIS tools find the coordinate system
  // of a PNG (they read the .pgw beside it but not the .prj).
  std::string auxiliary;
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

// Tiles whose headers are read to find the list's tile size: spread evenly over the list,
// they settle it for a million tiles in a fraction of a second, and a few tiles of a
// stray size cannot outvote the rest.
inline constexpr size_t kTileSizeSample = 1000;

// The size most of the sampled readable tiles have among those that can set it
// (IsTileSizeOfAList); of sizes equally common, the one met first; with none,
// kDefaultTileSide square.
ImageSize DetectTileSize(const std::vector<TileEntry>& tiles, const std::string& tileFolder);

}  // namespace kartovel::tools
