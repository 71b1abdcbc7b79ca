// Lines of the mosaic's text file.
#include "mosaic/MosaicReport.h"

#include "common/NumberFormat.h"
#include "common/Paths.h"

namespace kartovel::tools {
namespace {

std::string Degrees(double value) {
  return FormatGeneral(value, '.');
}

std::string MissingLine(const MissingTile& tile) {
  if (!tile.otherSize.empty()) {
    return tile.name + " " + tile.otherSize;
  }
  return tile.reason.empty() ? tile.name : tile.name + " (unreadable: " + tile.reason + ")";
}

}  // namespace

Lines MosaicReportLines(const CombineResult& result) {
  const MosaicLayout& layout = result.layout;
  Lines lines = {
      "Mosaic: " + result.outputs.png,
      "Task: " + result.task.files.taskFile,
      "Image size: " + std::to_string(layout.Width()) + " x " + std::to_string(layout.Height()) +
          " pixels",
      "Tiles: " + std::to_string(layout.Columns()) + " columns x " + std::to_string(layout.Rows()) +
          " rows of " + std::to_string(layout.tileWidth) + " x " +
          std::to_string(layout.tileHeight) + " pixels",
      "Zoom: " + std::to_string(layout.Range.Zoom),
      "Columns: " + std::to_string(layout.Range.MinX) + " to " + std::to_string(layout.Range.MaxX),
      "Rows: " + std::to_string(layout.Range.MinY) + " to " + std::to_string(layout.Range.MaxY),
      "",
      "Left_Edge_Longitude: " + Degrees(layout.west),
      "Right_Edge_Longitude: " + Degrees(layout.east),
      "Top_Edge_Latitude: " + Degrees(layout.north),
      "Bottom_Edge_Latitude: " + Degrees(layout.south),
      "",
      "Coordinate system: EPSG:3857 (WGS 84 / Pseudo-Mercator), world file " +
          ExtractFileName(result.outputs.worldFile) + ", projection " +
          ExtractFileName(result.outputs.projection),
      "",
      "Missing tiles (left transparent): " + std::to_string(result.mosaic.missing.size()),
  };
  for (const MissingTile& tile : result.mosaic.missing) {
    lines.push_back(MissingLine(tile));
  }
  return lines;
}

}  // namespace kartovel::tools
