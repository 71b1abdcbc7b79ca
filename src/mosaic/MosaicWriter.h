// Streams the tiles of a laid-out mosaic into one PNG, one row of tiles (a band) at a
// time: memory follows the mosaic's width, whatever its height. Tiles are decoded on the
// calling thread; the bands are compressed on worker threads meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <stop_token>
#include <string>
#include <vector>

#include "mosaic/MosaicLayout.h"
#include "tiles/TileList.h"

namespace kartovel::tools {

struct CombineHooks {
  // Called after each tile with the number of tiles done and the total.
  std::function<void(int64_t done, int64_t total)> progress;
  // The run's stop: looked at before each tile; once requested, the run is abandoned and
  // leaves no output.
  std::stop_token stop;
  // Polled before each tile besides the stop, for a caller that decides tile by tile;
  // true abandons the run the same way.
  std::function<bool()> cancelRequested;
  // Asked with LargeMosaicFigures before a mosaic that is very large or nearly empty is
  // written; false abandons the run like a cancel. Without it the mosaic is written.
  std::function<bool(const std::string& figures)> confirmLargeMosaic;
};

// The stop requested or the poll true: the run is to be abandoned now.
inline bool CancelRequested(const CombineHooks& hooks) {
  return hooks.stop.stop_requested() || (hooks.cancelRequested && hooks.cancelRequested());
}

// zlib levels a mosaic can be written at, and the one taken when none is chosen: the
// fastest, whose files of map-like tiles (bench_combine levels) are about 14 % larger
// than level 6's, in less than half its time. Flat, repetitive images (the demo
// service's tiles) gain more from the slower levels, which stay one choice away.
inline constexpr int kMinMosaicLevel = 1;
inline constexpr int kMaxMosaicLevel = 9;
inline constexpr int kDefaultMosaicLevel = 1;

struct MosaicSettings {
  int compressionLevel = kDefaultMosaicLevel;
  int threads = 0;               // threads at work in all; 0: one per processor core
  size_t pieceBytes = 1u << 20;  // rows compressed as one independent piece, in bytes
  // Writes with the plain one-thread libpng writer (always RGBA) instead.
  bool libpngWriter = false;
};

// A tile of the list that is not in the mosaic; its place stays transparent.
struct MissingTile {
  std::string name;
  std::string reason;  // empty when the file does not exist, else why it was not used
  // For a tile of another size than the mosaic's: the report's sentence on it,
  // "is 8 x 8 pixels, not 256 x 256; left out".
  std::string otherSize;
};

struct MosaicWriteOutcome {
  bool cancelled = false;
  int64_t tileCount = 0;  // distinct tiles of the list
  std::vector<MissingTile> missing;
  bool withAlpha = true;  // RGBA; RGB when every cell of the mosaic holds an opaque tile
};

// Writes the mosaic of tiles (files in tileFolder) to pngFile. Tiles whose file is
// missing, unreadable or of another size than the layout's tiles are left transparent
// and reported. Throws AppError when the PNG cannot be written.
MosaicWriteOutcome WriteMosaic(const std::vector<TileEntry>& tiles, const MosaicLayout& layout,
                               const std::string& tileFolder, const std::string& pngFile,
                               const CombineHooks& hooks, const MosaicSettings& settings = {});

}  // namespace kartovel::tools
