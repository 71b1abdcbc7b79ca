// The viewer's tile layer shows the images of every tile kind a map source delivers,
// WebP included, which Qt cannot read here, each in its place.
#include "mapcanvas/TaskTilesLayer.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "support/FakeTask.h"

namespace kartovel::mapcanvas {
namespace {

using testing::FakeTaskPlan;
using testing::Sandbox;

// Paints the layer until every image in view is loaded (a bounded number of passes).
QImage PaintAll(TaskTilesLayer& layer, const MapView& view) {
  QImage canvas(view.ViewWidth(), view.ViewHeight(), QImage::Format_ARGB32);
  for (int pass = 0; pass < 20; ++pass) {
    canvas.fill(Qt::black);
    QPainter painter(&canvas);
    if (layer.Paint(painter, view, canvas.size()) == LayerPass::Complete) {
      break;
    }
  }
  return canvas;
}

TEST(TaskTilesLayerTest, ShowsTheImagesOfPngJpegAndWebpTiles) {
  for (const char* extension : {"png", "jpg", "webp"}) {
    SCOPED_TRACE(extension);
    Sandbox sandbox;
    FakeTaskPlan plan;  // 3 x 2 tiles of distinct colours
    plan.extension = extension;
    plan.tileSide = 32;
    const testing::FakeTask task = WriteFakeTask(sandbox, plan);
    TaskTilesLayer layer;
    layer.SetTask(tools::LoadViewerTask(task.taskFile, sandbox.Folder()));
    ASSERT_EQ(layer.Task().counts.present, 6);

    MapView view;
    view.Resize(200, 140);
    view.FitTo(layer.Extent());
    const QImage shown = PaintAll(layer, view);
    for (const tools::TileEntry& tile : layer.Task().tiles) {
      const tools::ScreenRect rect = view.TileRect(tile);
      const QColor colour = shown.pixelColor(static_cast<int>((rect.left + rect.right) / 2),
                                             static_cast<int>((rect.top + rect.bottom) / 2));
      const tools::RgbaImage expected = testing::FakeTileImage(tile.Tile.X, tile.Tile.Y, 1);
      EXPECT_LE(std::abs(colour.red() - expected.pixels[0]), 2) << tile.name;
      EXPECT_LE(std::abs(colour.green() - expected.pixels[1]), 2) << tile.name;
      EXPECT_LE(std::abs(colour.blue() - expected.pixels[2]), 2) << tile.name;
    }
  }
}

}  // namespace
}  // namespace kartovel::mapcanvas
