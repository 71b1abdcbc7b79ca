// The mosaic's colour type is settled before the first byte: RGB when every cell of the
// grid has a tile whose header promises only opaque pixels, RGBA otherwise. The header is
// a promise, not a proof (a file may be corrupt past its header, or change meanwhile):
// should a tile then fail, or turn out not to be opaque, the RGB file is dropped and the
// mosaic written again as RGBA, where a missing tile stays transparent.
#include "mosaic/MosaicWriter.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "mosaic/BandCompressor.h"
#include "mosaic/LibpngMosaicWriter.h"
#include "mosaic/MissingTileReason.h"
#include "imaging/PngFileWriter.h"
#include "imaging/TileDecoders.h"

namespace kartovel::tools {
namespace {

using Bands = std::vector<std::vector<size_t>>;

struct MosaicJob {
  const std::vector<TileEntry>& tiles;
  const MosaicLayout& layout;
  const std::string& tileFolder;
  const std::string& pngFile;
  const CombineHooks& hooks;
  const MosaicSettings& settings;
  const Bands& bands;
};

enum class Pass { kWritten, kCancelled, kAlphaNeeded };

int ThreadsFor(const MosaicSettings& settings) {
  if (settings.threads > 0) {
    return settings.threads;
  }
  return std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

enum class Survey { kAllOpaque, kAlphaNeeded, kCancelled };

// Reads the tiles' headers: are the pixels of every cell opaque?
Survey SurveyCells(const MosaicJob& job, TileDecoders& decoders) {
  const ImageSize tileSize{job.layout.tileWidth, job.layout.tileHeight};
  for (const std::vector<size_t>& band : job.bands) {
    if (band.size() != static_cast<size_t>(job.layout.Columns())) {
      return Survey::kAlphaNeeded;  // a cell without a tile stays transparent
    }
    for (size_t index : band) {
      if (CancelRequested(job.hooks)) {
        return Survey::kCancelled;
      }
      const std::string& name = job.tiles[index].name;
      if (!MayDecode(job.tiles[index]) ||
          !decoders.For(name).PromisesOpaque(job.tileFolder + name, tileSize)) {
        return Survey::kAlphaNeeded;
      }
    }
  }
  return Survey::kAllOpaque;
}

// Fills the band buffers one after the other and hands them to the compressor.
class MosaicPass {
 public:
  MosaicPass(const MosaicJob& job, bool withAlpha, TileDecoders& decoders,
             MosaicWriteOutcome& outcome)
      : job_(job),
        decoders_(decoders),
        outcome_(outcome),
        withAlpha_(withAlpha),
        pixelBytes_(withAlpha ? 4 : 3),
        rowBytes_(static_cast<size_t>(job.layout.Width()) * pixelBytes_),
        cellBytes_(static_cast<size_t>(job.layout.tileWidth) * pixelBytes_),
        placed_(static_cast<size_t>(job.layout.Columns())) {}

  Pass Run() {
    PngFileWriter png(job_.pngFile, static_cast<uint32_t>(job_.layout.Width()),
                      static_cast<uint32_t>(job_.layout.Height()), withAlpha_);
    BandCompressor compressor(
        png,
        BandShape{rowBytes_, static_cast<uint32_t>(job_.layout.tileHeight),
                  static_cast<uint32_t>(job_.bands.size())},
        CompressionSettings{job_.settings.compressionLevel, ThreadsFor(job_.settings),
                            job_.settings.pieceBytes});
    for (const std::vector<size_t>& band : job_.bands) {
      const Pass pass = FillBand(band, compressor.NextBand());
      if (pass != Pass::kWritten) {
        return pass;
      }
      compressor.SubmitBand();
    }
    compressor.Finish();
    png.Finish();
    return Pass::kWritten;
  }

 private:
  Pass FillBand(const std::vector<size_t>& band, uint8_t* pixels) {
    std::fill(placed_.begin(), placed_.end(), false);
    for (size_t index : band) {
      if (CancelRequested(job_.hooks)) {
        return Pass::kCancelled;
      }
      if (!Place(job_.tiles[index], pixels) && !withAlpha_) {
        return Pass::kAlphaNeeded;
      }
      if (job_.hooks.progress) {
        job_.hooks.progress(++done_, outcome_.tileCount);
      }
    }
    for (size_t column = 0; column < placed_.size(); ++column) {
      if (!placed_[column]) {
        if (!withAlpha_) {
          return Pass::kAlphaNeeded;
        }
        ClearCell(pixels + column * cellBytes_);
      }
    }
    return Pass::kWritten;
  }

  // Decodes one tile into its cell; false when it is not there (listed as missing).
  bool Place(const TileEntry& tile, uint8_t* pixels) {
    const std::string path = job_.tileFolder + tile.name;
    const auto column = static_cast<size_t>(tile.Tile.X - job_.layout.Range.MinX);
    const TileTarget target{pixels + column * cellBytes_, rowBytes_,
                            ImageSize{job_.layout.tileWidth, job_.layout.tileHeight}, withAlpha_};
    TileResult result{TileOutcome::kFailed, {}};
    if (MayDecode(tile)) {
      result = decoders_.For(tile.name).Decode(path, target);
    }
    if (result.outcome == TileOutcome::kPlaced) {
      placed_[column] = true;
      return true;
    }
    if (withAlpha_) {
      outcome_.missing.push_back(DescribeMissingTile(tile, job_.tileFolder, target.size, decoders_,
                                                     std::move(result.error)));
    }
    return false;
  }

  void ClearCell(uint8_t* cell) const {
    for (int32_t row = 0; row < job_.layout.tileHeight; ++row) {
      std::memset(cell + static_cast<size_t>(row) * rowBytes_, 0, cellBytes_);
    }
  }

  const MosaicJob& job_;
  TileDecoders& decoders_;
  MosaicWriteOutcome& outcome_;
  const bool withAlpha_;
  const size_t pixelBytes_;
  const size_t rowBytes_;
  const size_t cellBytes_;
  std::vector<bool> placed_;  // cells of the band being filled that hold their tile
  int64_t done_ = 0;
};

MosaicWriteOutcome OutcomeOf(const MosaicJob& job, bool withAlpha) {
  MosaicWriteOutcome outcome;
  outcome.withAlpha = withAlpha;
  for (const std::vector<size_t>& band : job.bands) {
    outcome.tileCount += static_cast<int64_t>(band.size());
  }
  return outcome;
}

MosaicWriteOutcome WritePass(const MosaicJob& job, bool withAlpha, TileDecoders& decoders,
                             Pass& pass) {
  MosaicWriteOutcome outcome = OutcomeOf(job, withAlpha);
  pass = MosaicPass(job, withAlpha, decoders, outcome).Run();
  outcome.cancelled = pass == Pass::kCancelled;
  return outcome;
}

}  // namespace

MosaicWriteOutcome WriteMosaic(const std::vector<TileEntry>& tiles, const MosaicLayout& layout,
                               const std::string& tileFolder, const std::string& pngFile,
                               const CombineHooks& hooks, const MosaicSettings& settings) {
  if (settings.libpngWriter) {
    return WriteMosaicWithLibpng(tiles, layout, tileFolder, pngFile, hooks,
                                 settings.compressionLevel);
  }
  const Bands bands = TilesByBand(tiles, layout);
  const MosaicJob job{tiles, layout, tileFolder, pngFile, hooks, settings, bands};
  TileDecoders decoders;
  const Survey survey = SurveyCells(job, decoders);
  if (survey == Survey::kCancelled) {
    MosaicWriteOutcome outcome = OutcomeOf(job, true);
    outcome.cancelled = true;
    return outcome;
  }
  Pass pass = Pass::kWritten;
  if (survey == Survey::kAllOpaque) {
    MosaicWriteOutcome outcome = WritePass(job, false, decoders, pass);
    if (pass != Pass::kAlphaNeeded) {
      return outcome;
    }
  }
  return WritePass(job, true, decoders, pass);
}

}  // namespace kartovel::tools
