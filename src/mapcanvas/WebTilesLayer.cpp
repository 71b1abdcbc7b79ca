// Painting the live tiles, asking for the missing ones, and taking delivered ones in.
#include "mapcanvas/WebTilesLayer.h"

#include <QCoreApplication>
#include <QPainter>

#include <algorithm>
#include <utility>

#include "imaging/WebpTileDecoder.h"
#include "mapcanvas/MapPainting.h"

namespace kartovel::mapcanvas {
namespace {

using tools::MapRect;
using tools::ScreenPoint;

constexpr size_t kDecodedBytes = size_t{64} << 20;
// Tile keys pack the column and row into 28 bits each.
constexpr int32_t kDeepestZoom = 28;
constexpr int32_t kStandInLevels = 4;
// More tiles than a large screen shows at their own size.
constexpr size_t kMostTilesInView = 120;

const QColor kLoadingCell(0xe4, 0xe7, 0xeb);
const QColor kPaleCell(0xf7, 0xf5, 0xf0);
const QColor kPaleCellBorder(0xdc, 0xd7, 0xcd);

// A tile's image from its bytes: what Qt reads (PNG, JPEG), else WebP through the core's
// decoder, as the viewer reads it; a null image when the bytes are no image.
QImage DecodeTile(const std::string& bytes) {
  QImage image;
  image.loadFromData(reinterpret_cast<const uchar*>(bytes.data()), static_cast<int>(bytes.size()));
  if (!image.isNull()) {
    return image;
  }
  tools::RgbaImage pixels;
  if (!tools::DecodeWebpImage(
          std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), pixels)) {
    return QImage();
  }
  return ImageOf(pixels);
}

QRectF ScreenRectOf(const MapView& view, const MapRect& rect) {
  const ScreenPoint northWest = view.ToScreen(tools::MapPoint{rect.west, rect.north});
  const ScreenPoint southEast = view.ToScreen(tools::MapPoint{rect.east, rect.south});
  return SnappedRect(tools::ScreenRect{northWest.x, northWest.y, southEast.x, southEast.y});
}

}  // namespace

WebTilesLayer::WebTilesLayer(TileSource source, std::shared_ptr<TileDiskCache> cache,
                             HttpClientFactory makeClient, QWidget& canvas)
    : minZoom_(std::clamp(source.MinZoom, 0, kDeepestZoom)),
      maxZoom_(std::clamp(source.MaxZoom, minZoom_, kDeepestZoom)),
      canvas_(&canvas),
      images_(kDecodedBytes) {
  auto deliver = [this](const TileId& tile, std::optional<std::string> bytes) {
    QMetaObject::invokeMethod(
        &receiver_,
        [this, tile, bytes = std::move(bytes)]() mutable { Receive(tile, std::move(bytes)); },
        Qt::QueuedConnection);
  };
  fetcher_ = std::make_unique<TileFetcher>(std::move(source), std::move(cache),
                                           std::move(makeClient), std::move(deliver));
}

WebTilesLayer::~WebTilesLayer() {
  fetcher_.reset();
}

QColor WebTilesLayer::PaleCellColour() {
  return kPaleCell;
}

uint64_t WebTilesLayer::Packed(const TileId& tile) {
  return (uint64_t(tile.Zoom) << 56) | (uint64_t(tile.X) << 28) | uint64_t(tile.Y);
}

LayerPass WebTilesLayer::Paint(QPainter& painter, const MapView& view, QSize) {
  const int32_t zoom = std::max(tools::GridZoomFor(view.MetresPerPixel(), maxZoom_), minZoom_);
  const std::vector<TileId> inView = tools::GridTilesInView(view, zoom);
  if (inView.size() > kMostTilesInView) {
    // A source whose tiles begin deeper than the view: too many small tiles to ask for.
    DrawHint(painter, QCoreApplication::translate("WebTilesLayer", "Zoom in to see the map"));
    if (!lastWanted_.empty()) {
      lastWanted_.clear();
      fetcher_->Want(lastWanted_);
    }
    return LayerPass::Complete;
  }
  std::vector<TileId> wanted;
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  for (const TileId& tile : inView) {
    const QRectF target = ScreenRectOf(view, tools::GridTileRect(tile));
    if (const QImage* image = images_.Find(Packed(tile))) {
      painter.drawImage(target, *image);
    } else if (failed_.contains(tile)) {
      painter.fillRect(target, kPaleCell);
      painter.setPen(kPaleCellBorder);
      painter.drawRect(target.adjusted(0.5, 0.5, -0.5, -0.5));
    } else {
      if (!DrawStandIn(painter, target, tile)) {
        painter.fillRect(target, kLoadingCell);
      }
      wanted.push_back(tile);
    }
  }
  if (wanted != lastWanted_) {
    fetcher_->Want(wanted);
    lastWanted_ = std::move(wanted);
  }
  return LayerPass::Complete;
}

bool WebTilesLayer::DrawStandIn(QPainter& painter, const QRectF& target, const TileId& tile) {
  for (int32_t level = 1; level <= std::min(kStandInLevels, tile.Zoom); ++level) {
    const TileId coarser{tile.Zoom - level, tile.X >> level, tile.Y >> level};
    const QImage* image = images_.Find(Packed(coarser));
    if (image == nullptr) {
      continue;
    }
    // The part of the coarser tile that covers this one.
    const double share = 1.0 / (1 << level);
    const int32_t mask = (1 << level) - 1;
    const QRectF part((tile.X & mask) * share * image->width(),
                      (tile.Y & mask) * share * image->height(), share * image->width(),
                      share * image->height());
    painter.drawImage(target, *image, part);
    return true;
  }
  return false;
}

void WebTilesLayer::Receive(const TileId& tile, std::optional<std::string> bytes) {
  QImage image = bytes ? DecodeTile(*bytes) : QImage();
  if (image.isNull()) {
    failed_.insert(tile);
    if (bytes) {
      fetcher_->Discard(tile);  // not an image: the cache must not keep it
    }
  } else {
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const auto cost = static_cast<size_t>(std::max<qsizetype>(image.sizeInBytes(), 64));
    images_.Put(Packed(tile), std::move(image), cost);
    ++arrived_;
  }
  if (canvas_) {
    canvas_->update();
  }
}

}  // namespace kartovel::mapcanvas
