// Drawing and editing the area on the map, and painting it.
#include "gui/AreaTool.h"

#include <QPainter>

#include <cmath>

#include "geometry/WebMercator.h"

namespace kartovel::gui {
namespace {

using tools::ScreenPoint;

// A press that moves less than this is a click, not a drawing.
constexpr double kLeastDrawnPixels = 3;
constexpr double kHandleSide = 7;

const QColor kAreaFill(0x2a, 0x6f, 0xdb, 45);
const QColor kAreaEdge(0x1d, 0x5b, 0xc2);

GeoPoint PlaceAt(const mapcanvas::MapView& view, QPointF position) {
  const tools::LonLat place = view.LonLatAt(ScreenPoint{position.x(), position.y()});
  return GeoPoint{place.longitude, place.latitude};
}

}  // namespace

mapcanvas::MapRect AreaTool::MapRectOf(const GeoArea& area) {
  return mapcanvas::MapRect{
      tools::LongitudeToMercatorX(area.West), tools::LatitudeToMercatorY(area.South),
      tools::LongitudeToMercatorX(area.East), tools::LatitudeToMercatorY(area.North)};
}

ScreenBox AreaTool::BoxOf(const GeoArea& area, const mapcanvas::MapView& view) {
  const mapcanvas::MapRect rect = MapRectOf(area);
  const ScreenPoint northWest = view.ToScreen(tools::MapPoint{rect.west, rect.north});
  const ScreenPoint southEast = view.ToScreen(tools::MapPoint{rect.east, rect.south});
  return ScreenBox{northWest.x, northWest.y, southEast.x, southEast.y};
}

bool AreaTool::Draws(Qt::KeyboardModifiers modifiers) const {
  return drawing_ || modifiers.testFlag(Qt::ShiftModifier);
}

bool AreaTool::Press(const mapcanvas::MapView& view, QPointF position,
                     Qt::KeyboardModifiers modifiers) {
  pressedAt_ = position;
  if (Draws(modifiers)) {
    gesture_ = Gesture::Drawing;
    anchor_ = PlaceAt(view, position);
    return true;
  }
  if (area_) {
    edges_ = EdgesNear(BoxOf(*area_, view), position.x(), position.y(), kEdgeReach);
    if (edges_ != kNoEdge) {
      gesture_ = Gesture::MovingEdges;
      return true;
    }
  }
  return false;
}

void AreaTool::Drag(const mapcanvas::MapView& view, QPointF position) {
  if (gesture_ == Gesture::Drawing) {
    const QPointF moved = position - pressedAt_;
    if (std::abs(moved.x()) < kLeastDrawnPixels && std::abs(moved.y()) < kLeastDrawnPixels) {
      return;
    }
    area_ = AreaFromCorners(anchor_, PlaceAt(view, position));
  } else if (gesture_ == Gesture::MovingEdges && area_) {
    area_ = MoveEdges(*area_, edges_, PlaceAt(view, position));
  } else {
    return;
  }
  if (onAreaChanged) {
    onAreaChanged(*area_);
  }
}

void AreaTool::Release(const mapcanvas::MapView& view, QPointF position) {
  Drag(view, position);
  const bool drew = gesture_ == Gesture::Drawing;
  gesture_ = Gesture::None;
  edges_ = kNoEdge;
  if (drew && onDrawn) {
    onDrawn();
  }
}

std::optional<Qt::CursorShape> AreaTool::CursorAt(const mapcanvas::MapView& view, QPointF position,
                                                  Qt::KeyboardModifiers modifiers) const {
  if (Draws(modifiers)) {
    return Qt::CrossCursor;
  }
  if (!area_) {
    return std::nullopt;
  }
  const uint32_t edges = EdgesNear(BoxOf(*area_, view), position.x(), position.y(), kEdgeReach);
  const bool across = edges & (kWestEdge | kEastEdge);
  const bool along = edges & (kNorthEdge | kSouthEdge);
  if (across && along) {
    // The north-west and south-east corners move along the falling diagonal.
    const bool falling = (edges & kWestEdge) ? (edges & kNorthEdge) : (edges & kSouthEdge);
    return falling ? Qt::SizeFDiagCursor : Qt::SizeBDiagCursor;
  }
  if (across) {
    return Qt::SizeHorCursor;
  }
  if (along) {
    return Qt::SizeVerCursor;
  }
  return std::nullopt;
}

mapcanvas::LayerPass AreaTool::Paint(QPainter& painter, const mapcanvas::MapView& view, QSize) {
  if (!area_) {
    return mapcanvas::LayerPass::Complete;
  }
  const ScreenBox box = BoxOf(*area_, view);
  const QRectF rect(QPointF(box.Left, box.Top), QPointF(box.Right, box.Bottom));
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.fillRect(rect, kAreaFill);
  painter.setPen(QPen(kAreaEdge, 2));
  painter.setBrush(Qt::NoBrush);
  painter.drawRect(rect);
  // Handles in the middle of each edge and at the corners: where a drag takes hold.
  painter.setBrush(Qt::white);
  painter.setPen(QPen(kAreaEdge, 1.5));
  const double middleX = (box.Left + box.Right) / 2;
  const double middleY = (box.Top + box.Bottom) / 2;
  const QPointF handles[] = {{box.Left, box.Top},   {middleX, box.Top},     {box.Right, box.Top},
                             {box.Left, middleY},   {box.Right, middleY},   {box.Left, box.Bottom},
                             {middleX, box.Bottom}, {box.Right, box.Bottom}};
  for (const QPointF& handle : handles) {
    painter.drawRect(QRectF(handle.x() - kHandleSide / 2, handle.y() - kHandleSide / 2, kHandleSide,
                            kHandleSide));
  }
  return mapcanvas::LayerPass::Complete;
}

}  // namespace kartovel::gui
