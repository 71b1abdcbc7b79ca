// Painting: an overview of the tile statuses underneath (one cell per tile), the tile
// images over it when few enough tiles are in view, and the marks on top. Images
// are decoded within a time budget per paint, nearest the centre first, and the
// rest follow in later paints so that panning never stalls.
#include "MapCanvas.h"

#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "common/Error.h"

namespace kartovel::tools {
namespace {

constexpr size_t kCacheBytes = size_t{96} << 20;
constexpr size_t kMaxTilesDrawn = 3000;
constexpr double kMinTileSideDrawn = 4;
constexpr qint64 kLoadBudgetMs = 30;
constexpr int64_t kMaxOverviewCells = int64_t{16} << 20;
constexpr double kMediumSide = 64;
constexpr double kSmallSide = 16;
constexpr double kWheelStepFactor = 1.0015;  // per eighth of a degree of wheel turn

const QColor kBackground(0xe9, 0xeb, 0xee);
const QColor kPresentCell(0xb8, 0xc4, 0xd0);
const QColor kMissingCell(0xe0, 0x4b, 0x4b);
const QColor kBlankCell(0xf0, 0xa8, 0x30);
const QColor kMissingFill(0xf8, 0xe1, 0xe1);
const QColor kLoadingCell(0xdd, 0xe1, 0xe6);

QColor CellColour(TileStatus status) {
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

QRectF ToQt(const ScreenRect& rect) {
  // Rounded edges make neighbouring tiles share their border pixels: no seams.
  double left = std::round(rect.left);
  double top = std::round(rect.top);
  return QRectF(left, top, std::round(rect.right) - left, std::round(rect.bottom) - top);
}

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

MapCanvas::MapCanvas(QWidget* parent) : QWidget(parent), images_(kCacheBytes) {
  setMouseTracking(true);
  setMinimumSize(320, 240);
  setCursor(Qt::OpenHandCursor);
  view_.Resize(width(), height());
}

QColor MapCanvas::StatusColour(TileStatus status) {
  return CellColour(status);
}

void MapCanvas::SetTask(ViewerTask task) {
  task_ = std::move(task);
  index_ = TileIndex(task_.tiles);
  try {
    layout_ = LayoutMosaic(task_.tiles, 1, 1);
  } catch (const AppError&) {
    layout_.reset();  // tiles of several zoom levels: placed by their edges, no overview
  }
  images_.Clear();
  BuildOverview();
  FitToTiles();
}

void MapCanvas::BuildOverview() {
  overview_ = QImage();
  if (!layout_ || int64_t{layout_->Columns()} * int64_t{layout_->Rows()} > kMaxOverviewCells) {
    return;
  }
  overview_ = QImage(layout_->Columns(), layout_->Rows(), QImage::Format_ARGB32);
  overview_.fill(Qt::transparent);
  for (size_t tile = 0; tile < task_.tiles.size(); ++tile) {
    PixelOffset cell = layout_->OffsetOf(task_.tiles[tile].x, task_.tiles[tile].y);
    overview_.setPixelColor(static_cast<int>(cell.left), static_cast<int>(cell.top),
                            CellColour(task_.statuses[tile]));
  }
}

void MapCanvas::FitToTiles() {
  if (HasTask()) {
    view_.FitTo(index_.Extent());
  }
  update();
}

void MapCanvas::ZoomBy(double factor) {
  view_.ZoomAt(ScreenPoint{width() / 2.0, height() / 2.0}, factor);
  update();
}

double MapCanvas::TileScreenSide() const {
  return index_.CellWidth() / view_.MetresPerPixel();
}

void MapCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kBackground);
  if (!HasTask()) {
    painter.setPen(QColor(0x55, 0x5b, 0x66));
    painter.drawText(rect(), Qt::AlignCenter,
                     tr("Open a download task (.qtsk) or a tile list (_list.txt)\n"
                        "with File > Open..."));
    return;
  }
  DrawOverview(painter);
  switch (DrawTiles(painter)) {
    case TilePass::TooMany:
      DrawHint(painter, tr("Zoom in to see the tile images"));
      break;
    case TilePass::Pending:
      QTimer::singleShot(0, this, [this] { update(); });
      break;
    case TilePass::Complete:
      break;
  }
}

void MapCanvas::DrawHint(QPainter& painter, const QString& text) const {
  QRectF box = painter.fontMetrics().boundingRect(text).adjusted(-8, -4, 8, 4);
  box.moveTopLeft(QPointF(10, 10));
  painter.setPen(Qt::NoPen);
  painter.setBrush(QColor(255, 255, 255, 215));
  painter.drawRoundedRect(box, 4, 4);
  painter.setPen(QColor(0x33, 0x38, 0x40));
  painter.drawText(box, Qt::AlignCenter, text);
}

void MapCanvas::DrawOverview(QPainter& painter) const {
  if (overview_.isNull()) {
    return;
  }
  MapRect area{LongitudeToMercatorX(layout_->west), LatitudeToMercatorY(layout_->south),
               LongitudeToMercatorX(layout_->east), LatitudeToMercatorY(layout_->north)};
  ScreenPoint topLeft = view_.ToScreen(MapPoint{area.west, area.north});
  ScreenPoint bottomRight = view_.ToScreen(MapPoint{area.east, area.south});
  painter.drawImage(ToQt(ScreenRect{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y}),
                    overview_);
}

MapCanvas::TilePass MapCanvas::DrawTiles(QPainter& painter) {
  double side = TileScreenSide();
  double columnsInView = width() / side + 2;
  double rowsInView = height() / side + 2;
  if (side < kMinTileSideDrawn || columnsInView * rowsInView > 4.0 * kMaxTilesDrawn) {
    return TilePass::TooMany;
  }
  std::vector<size_t> visible = index_.Query(view_.VisibleArea());
  if (visible.size() > kMaxTilesDrawn) {
    return TilePass::TooMany;
  }
  Detail detail = side > kMediumSide  ? Detail::Full
                  : side > kSmallSide ? Detail::Medium
                                      : Detail::Small;
  // Nearest the centre first, so the middle of the view fills in before the edges.
  ScreenPoint middle{width() / 2.0, height() / 2.0};
  std::vector<std::pair<double, size_t>> byDistance;
  byDistance.reserve(visible.size());
  for (size_t tile : visible) {
    ScreenRect rect = view_.TileRect(task_.tiles[tile]);
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
    QRectF target = ToQt(view_.TileRect(task_.tiles[tile]));
    TileStatus status = task_.statuses[tile];
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

void MapCanvas::DrawMark(QPainter& painter, const QRectF& target, TileStatus status) const {
  if (status == TileStatus::Present) {
    return;
  }
  QColor colour = CellColour(status);
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
    QString word = status == TileStatus::Missing ? tr("missing tile") : tr("blank tile");
    QRectF label = painter.fontMetrics().boundingRect(word).adjusted(-6, -3, 6, 3);
    label.moveCenter(target.center());
    painter.setBrush(QColor(255, 255, 255, 225));
    painter.drawRoundedRect(label, 3, 3);
    painter.setPen(colour.darker(150));
    painter.drawText(label, Qt::AlignCenter, word);
  }
  painter.restore();
}

const QImage* MapCanvas::CachedImage(size_t tile, Detail detail, bool mayLoad) {
  size_t key = tile * 4 + static_cast<size_t>(detail);
  if (const QImage* cached = images_.Find(key)) {
    return cached;
  }
  if (!mayLoad) {
    return nullptr;
  }
  QImage image(QString::fromStdString(task_.files.tileFolder + task_.tiles[tile].name));
  if (!image.isNull()) {
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (detail != Detail::Full) {
      int side =
          detail == Detail::Medium ? static_cast<int>(kMediumSide) : static_cast<int>(kSmallSide);
      image = image.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    }
  }
  size_t cost = std::max<size_t>(static_cast<size_t>(image.sizeInBytes()), 64);
  return &images_.Put(key, std::move(image), cost);
}

void MapCanvas::resizeEvent(QResizeEvent*) {
  view_.Resize(width(), height());
}

void MapCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragFrom_ = event->position().toPoint();
    setCursor(Qt::ClosedHandCursor);
  }
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
  QPoint position = event->position().toPoint();
  if (dragFrom_) {
    view_.PanBy(position.x() - dragFrom_->x(), position.y() - dragFrom_->y());
    dragFrom_ = position;
    update();
  }
  if (onPointerText) {
    onPointerText(PointerText(position));
  }
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    dragFrom_.reset();
    setCursor(Qt::OpenHandCursor);
  }
}

void MapCanvas::wheelEvent(QWheelEvent* event) {
  if (!HasTask()) {
    return;
  }
  QPointF position = event->position();
  view_.ZoomAt(ScreenPoint{position.x(), position.y()},
               std::pow(kWheelStepFactor, event->angleDelta().y()));
  update();
  if (onPointerText) {
    onPointerText(PointerText(position.toPoint()));
  }
}

void MapCanvas::leaveEvent(QEvent*) {
  if (onPointerText) {
    onPointerText(QString());
  }
}

QString MapCanvas::PointerText(QPoint position) const {
  if (!HasTask()) {
    return QString();
  }
  ScreenPoint point{static_cast<double>(position.x()), static_cast<double>(position.y())};
  LonLat place = view_.LonLatAt(point);
  QString text = tr("Longitude: %1   Latitude: %2")
                     .arg(place.longitude, 0, 'f', 6)
                     .arg(place.latitude, 0, 'f', 6);
  if (std::optional<size_t> tile = index_.TileAt(view_.ToMap(point))) {
    text += tr("   Tile: %1 (%2)")
                .arg(QString::fromStdString(task_.tiles[*tile].name))
                .arg(tr(StatusWord(task_.statuses[*tile])));
  }
  return text;
}

}  // namespace kartovel::tools
