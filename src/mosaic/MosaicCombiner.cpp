// The combine run: read the task's list, lay out the mosaic, stream the PNG, then
// write the georeference and the report beside it.
#include "mosaic/MosaicCombiner.h"

#include <filesystem>

#include "common/AtomicFile.h"
#include "common/Error.h"
#include "common/LineFile.h"
#include "common/Paths.h"
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
       {outputs.png, outputs.worldFile, outputs.projection, outputs.report}) {
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
  SaveLines(result.outputs.report, MosaicReportLines(result));
}

}  // namespace

MosaicOutputs MosaicOutputsFor(const std::string& pngFile) {
  std::string base = RemoveFileExt(pngFile);
  return MosaicOutputs{pngFile, base + ".pgw", base + ".prj", base + ".txt"};
}

ImageSize DetectTileSize(const std::vector<TileEntry>& tiles, const std::string& tileFolder) {
  TileDecoders decoders;
  for (const TileEntry& tile : tiles) {
    std::optional<ImageSize> size = decoders.For(tile.name).ReadSize(tileFolder + tile.name);
    if (size && IsTileSizeOfAList(size->width, size->height)) {
      return *size;
    }
  }
  return ImageSize{kDefaultTileSide, kDefaultTileSide};
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
  result.mosaic =
      WriteMosaic(tiles, result.layout, result.task.files.tileFolder, pngFile, hooks, settings);
  if (!result.mosaic.cancelled) {
    WriteSideFiles(result);
  }
  return result;
}

}  // namespace kartovel::tools
