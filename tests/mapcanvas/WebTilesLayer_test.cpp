// The live tiles on a canvas against a loopback tile service: each tile drawn from its
// image, and a tile that cannot be had (an error status, a body that is no image) drawn
// as a pale cell and kept out of the cache.
#include "mapcanvas/WebTilesLayer.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QThread>
#include <chrono>

#include "mapcanvas/MapCanvas.h"
#include "support/LoopbackServer.h"
#include "support/Sandbox.h"

namespace kartovel::mapcanvas {
namespace {

using testing::LoopbackServer;

bool WaitUntil(const std::function<bool()>& predicate) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!predicate() && std::chrono::steady_clock::now() < deadline) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QThread::msleep(1);
  }
  return predicate();
}

QPoint CentreOf(const MapView& view, int32_t x, int32_t y) {
  const MapRect rect = tools::GridTileRect(TileId{1, x, y});
  const tools::ScreenPoint centre =
      view.ToScreen(tools::MapPoint{(rect.west + rect.east) / 2, (rect.south + rect.north) / 2});
  return QPoint(static_cast<int>(centre.x), static_cast<int>(centre.y));
}

TEST(WebTilesLayerTest, ATileThatCannotBeHadIsAPaleCellAndTheOthersShowTheirImages) {
  testing::Sandbox box;
  LoopbackServer::Options options;
  options.DefaultReply = [](const testing::Request& request) {
    if (request.Target() == "/1/0/0") {
      return testing::StatusReply(404);
    }
    if (request.Target() == "/1/0/1") {
      return testing::StatusReply(200, "<html>no tile here</html>");
    }
    return testing::PngReply();  // one red pixel
  };
  LoopbackServer server(std::move(options));
  TileSource source;
  source.Name = "Loopback";
  source.TileUrl = [&server](int32_t x, int32_t y, int32_t zoom) {
    return server.Url("/" + std::to_string(zoom) + "/" + std::to_string(x) + "/" +
                      std::to_string(y));
  };
  source.MaxZoom = 1;
  auto cache = std::make_shared<TileDiskCache>(box.Path("cache"));
  MapCanvas canvas;
  canvas.resize(560, 560);
  canvas.show();
  WebTilesLayer layer(source, cache, CreateCurlHttpClient, canvas);
  canvas.AddLayer(layer);
  canvas.FitTo(tools::WorldRect());  // the world at zoom 1: four tiles of about 256 pixels
  canvas.grab();
  ASSERT_TRUE(WaitUntil([&] { return layer.ArrivedCount() + layer.FailedCount() == 4; }));
  const QImage picture = canvas.grab().toImage();
  const QColor red(255, 0, 0);
  EXPECT_EQ(picture.pixelColor(CentreOf(canvas.View(), 0, 0)), WebTilesLayer::PaleCellColour());
  EXPECT_EQ(picture.pixelColor(CentreOf(canvas.View(), 0, 1)), WebTilesLayer::PaleCellColour());
  EXPECT_EQ(picture.pixelColor(CentreOf(canvas.View(), 1, 0)), red);
  EXPECT_EQ(picture.pixelColor(CentreOf(canvas.View(), 1, 1)), red);
  EXPECT_EQ(cache->Count(), 2u);
  EXPECT_LE(server.ConnectionCount(), 2);
}

}  // namespace
}  // namespace kartovel::mapcanvas
