// Drawing and editing the polygon on the map, and painting it.
#include "gui/PolygonTool.h"

#include <QPainter>
#include <QPolygonF>

#include <algorithm>
#include <cmath>

#include "geometry/WebMercator.h"

namespace kartovel::gui {
namespace {

using tools::ScreenPoint;

const QColor kFill(0x2a, 0x6f, 0xdb, 45);
const QColor kEdge(0x1d, 0x5b, 0xc2);
constexpr double kHandleSide = 7;

GeoPoint PlaceAt(const mapcanvas::MapView& view, QPointF position) {
  const tools::LonLat place = view.LonLatAt(ScreenPoint{position.x(), position.y()});
  // The map does not wrap; corners stay on it.
  return GeoPoint{std::clamp(place.longitude, -180.0, 180.0),
                  std::clamp(place.latitude, -85.0, 85.0)};
}

QPointF ScreenOf(const mapcanvas::MapView& view, const GeoPoint& point) {
  const ScreenPoint p = view.ToScreen(tools::MapPoint{tools::LongitudeToMercatorX(point.Longitude),
                                                      tools::LatitudeToMercatorY(point.Latitude)});
  return QPointF(p.x, p.y);
}

}  // namespace

void PolygonTool::Clear() {
  corners_.clear();
  closed_ = false;
  dragged_ = -1;
  Changed();
}

void PolygonTool::Changed() {
  if (onChanged) {
    onChanged(corners_, closed_);
  }
}

int PolygonTool::CornerAt(const mapcanvas::MapView& view, QPointF position) const {
  for (size_t i = 0; i < corners_.size(); ++i) {
    const QPointF corner = ScreenOf(view, corners_[i]);
    if (std::abs(corner.x() - position.x()) <= kCornerReach &&
        std::abs(corner.y() - position.y()) <= kCornerReach) {
      return static_cast<int>(i);
    }
  }
  return -1;
}

bool PolygonTool::Key(int key) {
  if (key == Qt::Key_Backspace && !corners_.empty()) {
    corners_.pop_back();
    closed_ = closed_ && corners_.size() >= 3;
    Changed();
    return true;
  }
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !closed_ && corners_.size() >= 3) {
    closed_ = true;
    Changed();
    return true;
  }
  return false;
}

bool PolygonTool::Press(const mapcanvas::MapView& view, QPointF position,
                        Qt::KeyboardModifiers /*modifiers*/) {
  const int corner = CornerAt(view, position);
  if (closed_) {
    dragged_ = corner;
    return corner >= 0;  // elsewhere the map moves
  }
  if (corner == 0 && corners_.size() >= 3) {
    closed_ = true;
  } else if (corner >= 0) {
    dragged_ = corner;
    return true;
  } else {
    corners_.push_back(PlaceAt(view, position));
  }
  Changed();
  return true;
}

void PolygonTool::Drag(const mapcanvas::MapView& view, QPointF position) {
  if (dragged_ < 0) {
    return;
  }
  corners_[static_cast<size_t>(dragged_)] = PlaceAt(view, position);
  Changed();
}

void PolygonTool::Release(const mapcanvas::MapView& /*view*/, QPointF /*position*/) {
  dragged_ = -1;
}

std::optional<Qt::CursorShape> PolygonTool::CursorAt(const mapcanvas::MapView& view,
                                                     QPointF position,
                                                     Qt::KeyboardModifiers /*modifiers*/) const {
  if (CornerAt(view, position) >= 0) {
    return Qt::SizeAllCursor;
  }
  return closed_ ? std::nullopt : std::optional(Qt::CrossCursor);
}

mapcanvas::LayerPass PolygonTool::Paint(QPainter& painter, const mapcanvas::MapView& view,
                                        QSize /*size*/) {
  if (corners_.empty()) {
    return mapcanvas::LayerPass::Complete;
  }
  QPolygonF outline;
  for (const GeoPoint& corner : corners_) {
    outline << ScreenOf(view, corner);
  }
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kEdge, 2));
  if (closed_) {
    painter.setBrush(kFill);
    painter.drawPolygon(outline);
  } else {
    painter.drawPolyline(outline);
  }
  painter.setBrush(Qt::white);
  painter.setPen(QPen(kEdge, 1));
  for (const QPointF& corner : outline) {
    painter.drawRect(QRectF(corner.x() - kHandleSide / 2, corner.y() - kHandleSide / 2,
                            kHandleSide, kHandleSide));
  }
  painter.restore();
  return mapcanvas::LayerPass::Complete;
}

}  // namespace kartovel::gui
