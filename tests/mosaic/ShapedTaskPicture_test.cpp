// A shaped task in the companions' pictures: the mosaic holds the shape's tiles and leaves
// the rest of its bounds transparent, and the viewer counts only the shape's tiles.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "common/Locale.h"
#include "imaging/PngEncoder.h"
#include "imaging/PngImage.h"
#include "mosaic/MosaicCombiner.h"
#include "support/PngFileCheck.h"
#include "support/Sandbox.h"
#include "task/TaskShape.h"
#include "task/Unitclasstask.h"
#include "tiles/ViewerTask.h"

namespace kartovel::tools {
namespace {

using testing::Sandbox;

constexpr int32_t kSide = 8;
const std::vector<uint8_t> kTransparent(4, 0);

// Each tile one colour of its own, opaque.
std::vector<uint8_t> ColourOf(int32_t x, int32_t y) {
  return {static_cast<uint8_t>(x * 7), static_cast<uint8_t>(y * 13), 200, 255};
}

// A triangle at zoom 12 whose bounds hold tiles it does not cover; every covered tile
// written but the one named missing.
struct ShapedRig {
  Sandbox box;
  ScopedLocaleOverride locale{'.', std::string("2026-12-07 09:30:05")};
  TaskParameters params;
  std::unique_ptr<DownloadTask> task;

  explicit ShapedRig(std::optional<TileId> missing) {
    TakeShapeArea(params, Shape{"t", {{{{2.1, 48.6}, {2.9, 48.7}, {2.4, 49.3}}, {}}}, {}, 0});
    params.Zoom = 12;
    params.SavePath = box.Folder();
    params.TaskFileName = "t.qtsk";
    task = std::make_unique<DownloadTask>(params);
    task->WriteTaskFile();
    task->WriteListFile();
    task->Coverage().ForEachCovered([&](const TileId& tile) {
      if (tile != missing) {
        const std::vector<uint8_t> colour = ColourOf(tile.X, tile.Y);
        std::vector<uint8_t> pixels;
        for (int i = 0; i < kSide * kSide; ++i) {
          pixels.insert(pixels.end(), colour.begin(), colour.begin() + 3);
        }
        Sandbox::WriteAll(task->TilePath(tile.X, tile.Y), EncodePng(kSide, kSide, false, pixels));
      }
      return true;
    });
  }
};

// The first tile the rig's shape covers.
TileId FirstCovered() {
  ShapedRig probe(std::nullopt);
  TileId first;
  probe.task->Coverage().ForEachCovered([&](const TileId& tile) {
    first = tile;
    return false;
  });
  return first;
}

TEST(ShapedTaskPicture, TheMosaicIsTransparentOutsideTheShape) {
  for (const bool oneMissing : {false, true}) {
    SCOPED_TRACE(oneMissing ? "a covered tile missing" : "every covered tile");
    const std::optional<TileId> missing = FirstCovered();
    ShapedRig rig(oneMissing ? missing : std::nullopt);
    const std::string png = rig.box.Path("mosaic.png");
    const CombineResult result = CombineTask(rig.task->TaskFilePath(), png, {});
    EXPECT_EQ(result.mosaic.missing.size(), oneMissing ? 1u : 0u);
    EXPECT_EQ(testing::PngFileFault(Sandbox::ReadAll(png)), "");  // libpng to its end
    RgbaImage image;
    std::string error;
    ASSERT_TRUE(DecodePng(png, image, error)) << error;
    const TileRange range = rig.task->Range();
    ASSERT_EQ(image.width, range.Columns() * kSide);
    ASSERT_EQ(image.height, range.Rows() * kSide);
    int64_t opaque = 0;
    for (int32_t x = range.MinX; x <= range.MaxX; ++x) {
      for (int32_t y = range.MinY; y <= range.MaxY; ++y) {
        const bool shown =
            rig.task->Covers(x, y) && !(oneMissing && TileId{range.Zoom, x, y} == *missing);
        const int64_t column = (int64_t{x} - range.MinX) * kSide + kSide / 2;
        const int64_t row = (int64_t{y} - range.MinY) * kSide + kSide / 2;
        const auto at = image.pixels.begin() + (row * image.width + column) * 4;
        const std::vector<uint8_t> pixel(at, at + 4);
        EXPECT_EQ(pixel, shown ? ColourOf(x, y) : kTransparent)
            << x << ", " << y;
        opaque += shown;
      }
    }
    EXPECT_EQ(opaque, rig.task->TotalCount - (oneMissing ? 1 : 0));
    EXPECT_LT(rig.task->TotalCount, range.Count());
  }
}

TEST(ShapedTaskPicture, TheViewerCountsOnlyTheShapesTiles) {
  ShapedRig rig(FirstCovered());
  const ViewerTask viewed = LoadViewerTask(rig.task->TaskFilePath(), rig.box.Path("program/"));
  EXPECT_EQ(static_cast<int64_t>(viewed.tiles.size()), rig.task->TotalCount);
  EXPECT_EQ(viewed.counts.present, rig.task->TotalCount - 1);
  EXPECT_EQ(viewed.counts.missing, 1);
  for (const TileEntry& tile : viewed.tiles) {
    EXPECT_TRUE(rig.task->Covers(tile.Tile.X, tile.Tile.Y)) << tile.name;
  }
}

}  // namespace
}  // namespace kartovel::tools
