// The combine run: read the task's list, lay out the mosaic, stream the PNG, then
// write the georeference and the report beside it.
#include "mosaic/MosaicCombiner.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/LineFile.h"
#include "common/Paths.h"
#include "mosaic/LargeMosaic.h"
#include "mosaic/MissingTileReason.h"
#include "mosaic/MosaicReport.h"
#include "imaging/PngImage.h"
#include "imaging/TileDecoders.h"
#include "mosaic/WorldFile.h"

namespace kartovel::tools {
namespace {

std::string Normalised(const std::string& path) {
  return std::filesystem::absolute(path).lexically_normal().string();
}

// The outputs share a base name with the image; none may land on the task's own files.
void RefuseOverwritingTask(const MosaicOutputs& outputs, const TaskFiles& task) {
  for (const std::string& output :
       {outputs.png, outputs.worldFile, outputs.projection, outputs.report, outputs.auxiliary}) {
    for (const std::string& own : {task.taskFile, task.listFile}) {
      if (Normalised(output) == Normalised(own)) {
        throw AppError("The output " + output + " would replace the task's file " + own);
      }
    }
  }
}

void WriteSideFiles(const CombineResult& result) {
  WriteFileAtomically(result.outputs.worldFile, FormatWorldFile(WorldFileOf(result.layout)));
  WriteFileAtomically(result.outputs.projection, kWebMercatorWkt);
  WriteFileAtomically(result.outputs.auxiliary, AuxiliaryXml());
  SaveLines(result.outputs.report, MosaicReportLines(result));
}

}  // namespace

MosaicOutputs MosaicOutputsFor(const std::string& pngFile) {
  std::string base = RemoveFileExt(pngFile);
  return MosaicOutputs{pngFile, base + ".pgw", base + ".prj", base + ".txt", pngFile + ".aux.xml"};
}

ImageSize DetectTileSize(const std::vector<TileEntry>& tiles, const std::string& tileFolder) {
  TileDecoders decoders;
  std::vector<std::pair<ImageSize, size_t>> counts;  // in the order first met
  const size_t step = std::max<size_t>(1, tiles.size() / kTileSizeSample);
  for (size_t index = 0; index < tiles.size(); index += step) {
    const TileEntry& tile = tiles[index];
    std::optional<ImageSize> size;
    if (MayDecode(tile)) {
      size = decoders.For(tile.name).ReadSize(tileFolder + tile.name);
    }
    if (!size || !IsTileSizeOfAList(size->width, size->height)) {
      continue;
    }
    auto known = std::find_if(counts.begin(), counts.end(), [&](const auto& count) {
      return count.first.width == size->width && count.first.height == size->height;
    });
    if (known == counts.end()) {
      counts.emplace_back(*size, 1);
    } else {
      ++known->second;
    }
  }
  ImageSize chosen{kDefaultTileSide, kDefaultTileSide};
  size_t most = 0;
  for (const auto& [size, count] : counts) {
    if (count > most) {
      chosen = size;
      most = count;
    }
  }
  return chosen;
}

CombineResult CombineTask(const std::string& taskPath, const std::string& pngFile,
                          const CombineHooks& hooks, const MosaicSettings& settings) {
  CombineResult result;
  result.task = ReadTaskSummary(taskPath);
  result.outputs = MosaicOutputsFor(pngFile);
  RefuseOverwritingTask(result.outputs, result.task.files);
  std::vector<TileEntry> tiles = ReadTileList(result.task.files.listFile);
  ImageSize tileSize = DetectTileSize(tiles, result.task.files.tileFolder);
  result.layout = LayoutMosaic(tiles, tileSize.width, tileSize.height);
  RefuseUnworkableMosaic(result.layout);
  const std::string figures = LargeMosaicFigures(result.layout, static_cast<int64_t>(tiles.size()));
  if (!figures.empty() && hooks.confirmLargeMosaic && !hooks.confirmLargeMosaic(figures)) {
    result.mosaic.cancelled = true;
    return result;
  }
  result.mosaic =
      WriteMosaic(tiles, result.layout, result.task.files.tileFolder, pngFile, hooks, settings);
  if (!result.mosaic.cancelled) {
    WriteSideFiles(result);
  }
  return result;
}

}  // namespace kartovel::tools
