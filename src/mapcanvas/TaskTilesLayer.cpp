// Painting a task's tiles: the status overview underneath, the tile images over it when
// few enough tiles are in view, and the marks on top. Images are decoded within a time
// budget per paint, nearest the centre first, and the rest follow in later paints so
// that panning never stalls.
#include "mapcanvas/TaskTilesLayer.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <vector>

#include "mapcanvas/MapPainting.h"
#include "tiles/TileFileReader.h"

namespace kartovel::mapcanvas {
namespace {

using tools::LonLat;
using tools::ScreenPoint;
using tools::ScreenRect;

constexpr size_t kCacheBytes = size_t{96} << 20;
constexpr size_t kMaxTilesDrawn = 3000;
constexpr double kMinTileSideDrawn = 4;
constexpr qint64 kLoadBudgetMs = 30;
constexpr double kMediumSide = 64;
constexpr double kSmallSide = 16;

const QColor kPresentCell(0xb8, 0xc4, 0xd0);
const QColor kMissingCell(0xe0, 0x4b, 0x4b);
const QColor kBlankCell(0xf0, 0xa8, 0x30);
const QColor kMissingFill(0xf8, 0xe1, 0xe1);
const QColor kLoadingCell(0xdd, 0xe1, 0xe6);

const char* StatusWord(TileStatus status) {
  switch (status) {
    case TileStatus::Missing:
      return "missing";
    case TileStatus::Blank:
      return "blank";
    case TileStatus::Present:
      break;
  }
  return "present";
}

}  // namespace

TaskTilesLayer::TaskTilesLayer() : images_(kCacheBytes) {}

QColor TaskTilesLayer::StatusColour(TileStatus status) {
  switch (status) {
    case TileStatus::Missing:
      return kMissingCell;
    case TileStatus::Blank:
      return kBlankCell;
    case TileStatus::Present:
      break;
  }
  return kPresentCell;
}

void TaskTilesLayer::SetTask(ViewerTask task) {
  task_ = std::move(task);
  index_ = tools::TileIndex(task_.tiles);
  overview_ = StatusOverview(task_, StatusColour);
  images_.Clear();
}

LayerPass TaskTilesLayer::Paint(QPainter& painter, const MapView& view, QSize size) {
  if (!HasTask()) {
    painter.setPen(QColor(0x55, 0x5b, 0x66));
    painter.drawText(QRect(QPoint(0, 0), size), Qt::AlignCenter,
                     tr("Open a download task (.qtsk) or a tile list (_list.txt)\n"
                        "with File > Open..."));
    return LayerPass::Complete;
  }
  overview_.Draw(painter, view);
  switch (DrawTiles(painter, view, size)) {
    case TilePass::TooMany:
      DrawHint(painter, tr("Zoom in to see the tile images"));
      break;
    case TilePass::Pending:
      return LayerPass::Pending;
    case TilePass::Complete:
      break;
  }
  return LayerPass::Complete;
}

TaskTilesLayer::TilePass TaskTilesLayer::DrawTiles(QPainter& painter, const MapView& view,
                                                   QSize size) {
  const double side = index_.CellWidth() / view.MetresPerPixel();
  const double columnsInView = size.width() / side + 2;
  const double rowsInView = size.height() / side + 2;
  if (side < kMinTileSideDrawn || columnsInView * rowsInView > 4.0 * kMaxTilesDrawn) {
    return TilePass::TooMany;
  }
  std::vector<size_t> visible = index_.Query(view.VisibleArea());
  if (visible.size() > kMaxTilesDrawn) {
    return TilePass::TooMany;
  }
  const Detail detail = side > kMediumSide  ? Detail::Full
                        : side > kSmallSide ? Detail::Medium
                                            : Detail::Small;
  // Nearest the centre first, so the middle of the view fills in before the edges.
  const ScreenPoint middle{size.width() / 2.0, size.height() / 2.0};
  std::vector<std::pair<double, size_t>> byDistance;
  byDistance.reserve(visible.size());
  for (size_t tile : visible) {
    const ScreenRect rect = view.TileRect(task_.tiles[tile]);
    byDistance.emplace_back(std::hypot((rect.left + rect.right) / 2 - middle.x,
                                       (rect.top + rect.bottom) / 2 - middle.y),
                            tile);
  }
  std::sort(byDistance.begin(), byDistance.end());
  painter.setRenderHint(QPainter::SmoothPixmapTransform, detail != Detail::Full || side < 200);
  QElapsedTimer clock;
  clock.start();
  TilePass pass = TilePass::Complete;
  for (const auto& [distance, tile] : byDistance) {
    const QRectF target = SnappedRect(view.TileRect(task_.tiles[tile]));
    const TileStatus status = task_.statuses[tile];
    if (status != TileStatus::Missing) {
      painter.fillRect(target, kLoadingCell);
      const QImage* image = CachedImage(tile, detail, clock.elapsed() < kLoadBudgetMs);
      if (image == nullptr) {
        pass = TilePass::Pending;
      } else if (!image->isNull()) {
        painter.drawImage(target, *image);
      }
    }
    DrawMark(painter, target, status);
  }
  return pass;
}

void TaskTilesLayer::DrawMark(QPainter& painter, const QRectF& target, TileStatus status) const {
  if (status == TileStatus::Present) {
    return;
  }
  const QColor colour = StatusColour(status);
  painter.save();
  painter.setPen(QPen(colour, target.width() >= 24 ? 2 : 1));
  if (status == TileStatus::Missing) {
    // A pale cell under the cross: the overview's solid colour would hide it.
    painter.fillRect(target, kMissingFill);
    if (target.width() >= 12) {
      painter.drawLine(target.topLeft(), target.bottomRight());
      painter.drawLine(target.topRight(), target.bottomLeft());
    }
  } else {
    painter.fillRect(target, QBrush(colour, Qt::BDiagPattern));
  }
  painter.drawRect(target.adjusted(0.5, 0.5, -0.5, -0.5));
  if (target.width() >= 96) {
    const QString word = status == TileStatus::Missing ? tr("missing tile") : tr("blank tile");
    QRectF label = painter.fontMetrics().boundingRect(word).adjusted(-6, -3, 6, 3);
    label.moveCenter(target.center());
    painter.setBrush(QColor(255, 255, 255, 225));
    painter.drawRoundedRect(label, 3, 3);
    painter.setPen(colour.darker(150));
    painter.drawText(label, Qt::AlignCenter, word);
  }
  painter.restore();
}

QImage TaskTilesLayer::LoadTileImage(const std::string& path) {
  // Qt reads the bytes the tile reader took (no link, no pipe), never the path itself.
  std::vector<uint8_t> bytes;
  if (!ReadTileFileBytes(path, bytes, kMaxTileFileBytes, true)) {
    return QImage();
  }
  QImage image = QImage::fromData(bytes.data(), static_cast<int>(bytes.size()));
  if (!image.isNull()) {
    return image;
  }
  // Kinds Qt has no reader for here (WebP) are decoded as combine decodes them.
  tools::RgbaImage pixels;
  std::string error;
  if (!tools::DecodeTileImage(decoders_, path, pixels, error)) {
    return QImage();
  }
  return ImageOf(pixels);
}

const QImage* TaskTilesLayer::CachedImage(size_t tile, Detail detail, bool mayLoad) {
  const size_t key = tile * 4 + static_cast<size_t>(detail);
  if (const QImage* cached = images_.Find(key)) {
    return cached;
  }
  if (!mayLoad) {
    return nullptr;
  }
  QImage image = LoadTileImage(task_.files.tileFolder + task_.tiles[tile].name);
  if (!image.isNull()) {
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (detail != Detail::Full) {
      const int side =
          detail == Detail::Medium ? static_cast<int>(kMediumSide) : static_cast<int>(kSmallSide);
      image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
  }
  const size_t cost = std::max<size_t>(static_cast<size_t>(image.sizeInBytes()), 64);
  return &images_.Put(key, std::move(image), cost);
}

QString TaskTilesLayer::PointerText(const MapView& view, QPoint position) const {
  if (!HasTask()) {
    return QString();
  }
  const ScreenPoint point{static_cast<double>(position.x()), static_cast<double>(position.y())};
  const LonLat place = view.LonLatAt(point);
  QString text = tr("Longitude: %1   Latitude: %2")
                     .arg(place.longitude, 0, 'f', 6)
                     .arg(place.latitude, 0, 'f', 6);
  if (std::optional<size_t> tile = index_.TileAt(view.ToMap(point))) {
    text += tr("   Tile: %1 (%2)")
                .arg(QString::fromStdString(task_.tiles[*tile].name))
                .arg(tr(StatusWord(task_.statuses[*tile])));
  }
  return text;
}

}  // namespace kartovel::mapcanvas
